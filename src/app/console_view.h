// The main window's part in console mode: no window; messages are lines on
// standard error, the terminal list is printed on standard output.
#pragma once

#include <cstdio>
#include <string>

#include "app/main_view.h"
#include "app/term_list.h"

namespace sentrova {

class ConsoleView : public MainView {
 public:
  // `answers` is read for yes/no questions when `interactive`; otherwise a
  // question is answered No, and the line says so.
  ConsoleView(std::FILE* out, std::FILE* err, std::FILE* answers, bool interactive);

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

  // One line per terminal: user, resource, state, domain, IP, kind.
  void PrintTerminals(const TermList& list);

 private:
  std::FILE* out_;
  std::FILE* err_;
  std::FILE* answers_;
  bool interactive_;
  WindowRect rect_;
  std::string colWidths_;
  std::string colPositions_;
};

// The text of one terminal line of the console listing.
std::string ConsoleTerminalLine(const ListRow& row);

}  // namespace sentrova
