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
class QMenu;
class QPushButton;
class QTimer;
class QAction;

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
  QPushButton* SearchButton() const { return pbSearch_; }
  QTimer* WatchTimer() const { return tmWatch_; }
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
  void SetStatusText(const std::string& text) override;
  void SetChecking(bool checking) override;
  bool IsReportOpen(int kind) const override;
  void OpenReport(int kind, int messageLevel, int seconds, const std::string& text,
                  const std::vector<std::string>& lines) override;
  void AddReportNames(int kind, const std::vector<std::string>& lines, int seconds) override;
  void ShowReport(int kind) override;
  void BlinkTray(int seconds) override;
  void EnableTrayReportItem(int kind) override;
  void QuitWithoutClosing() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // The first selected row of the terminal list, or -1.
  int SelectedRow() const;
  void BuildMenus();
  void UpdateTerminalCommands();

  // The selected rows, in row order.
  std::vector<std::size_t> SelectedRows() const;

  QTreeView* lvRes1_ = nullptr;
  QPushButton* pbSearch_ = nullptr;
  QTimer* tmWatch_ = nullptr;
  QAction* mnPinpoint_ = nullptr;
  QAction* mnRest_ = nullptr;
  QAction* mnRest2_ = nullptr;
  QMenu* pmRes_ = nullptr;     // the terminal list's pop-up menu
  QMenu* mnWake_ = nullptr;    // its "&WakeOnLAN" submenu
  QMenu* mnWake2_ = nullptr;   // the main menu's "&WakeOnLan" submenu
  bool terminalCommandsAllowed_ = false;
  QLabel* sbMain_ = nullptr;
  TermListModel* model_ = nullptr;
  std::unique_ptr<MainController> controller_;
  bool endingSession_ = false;
  // Until the report windows exist, a report is its text and names on the
  // status bar.
  std::string reportText_[6];
};

}  // namespace sentrova
