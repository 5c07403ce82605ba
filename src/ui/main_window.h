// The main window: a thin Qt shell around MainController. It draws the
// terminal list and turns window events into controller calls.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "app/app_facts.h"
#include "app/main_controller.h"
#include "app/main_view.h"

class QTreeView;
class QLabel;

namespace sentrova {

class Dispatcher;
class TermListModel;

class TfmMain : public QMainWindow, public MainView {
  Q_OBJECT
 public:
  TfmMain(AppFacts& facts, SentrovaCfg& cfg, Dispatcher& dispatcher, const MainServices& services,
          std::vector<std::string> args, QWidget* parent = nullptr);
  ~TfmMain() override;

  MainController& Controller() { return *controller_; }
  QTreeView* TerminalView() const { return lvRes1_; }
  // The user's session ends: set Closing and end without the close sequence.
  void EndSession();

  // MainView
  void SetCaption(const std::string& caption) override;
  void ScreenSize(int& width, int& height) const override;
  void SetWindowRect(const WindowRect& rect) override;
  WindowRect GetWindowRect() const override;
  std::string ColumnWidths() const override;
  std::string ColumnPositions() const override;
  void ApplyColumns(const std::string& widths, const std::string& positions) override;
  void ShowMessage(const std::string& text, const std::string& caption, MsgIcon icon) override;
  bool AskYesNo(const std::string& text, const std::string& caption) override;
  void SetTerminalCommandsEnabled(bool enabled) override;
  bool TrayAvailable() const override;
  void ShowWindow() override;
  void SetWatchTimerEnabled(bool enabled) override;
  void SetAccessTimerEnabled(bool enabled) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QTreeView* lvRes1_ = nullptr;
  QLabel* sbMain_ = nullptr;
  TermListModel* model_ = nullptr;
  std::unique_ptr<MainController> controller_;
  bool endingSession_ = false;
};

}  // namespace sentrova
