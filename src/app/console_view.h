// The main window's part in console mode: no window; messages are lines on
// standard error, the terminal list is printed on standard output.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "app/main_view.h"
#include "history/history_seams.h"
#include "app/term_list.h"

namespace sentrova {

class ConsoleView : public MainView {
 public:
  // `answers` is read for yes/no questions when `interactive`; otherwise a
  // question is answered No, and the line says so.
  ConsoleView(std::FILE* out, std::FILE* err, std::FILE* answers, bool interactive, const HistoryClock& clock);

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
  // A report is one line: time, report kind, message text, the names.
  bool IsReportOpen(int kind) const override;
  void OpenReport(int kind, int messageLevel, int seconds, const std::string& text,
                  const std::vector<std::string>& lines) override;
  void AddReportNames(int kind, const std::vector<std::string>& lines, int seconds) override;
  void ShowReport(int kind) override;
  void BlinkTray(int seconds) override;
  void EnableTrayReportItem(int kind) override;
  void QuitWithoutClosing() override;

  // What ends the event loop when an action asks for it.
  std::function<void()> OnQuit;

  // One line per terminal: user, resource, state, domain, IP, kind.
  void PrintTerminals(const TermList& list);

 private:
  std::FILE* out_;
  std::FILE* err_;
  std::FILE* answers_;
  const HistoryClock& clock_;
  bool interactive_;
  WindowRect rect_;
  std::string colWidths_;
  std::string colPositions_;
};

// The text of one terminal line of the console listing.
std::string ConsoleTerminalLine(const ListRow& row);
// The text of one report line: "YYYY/MM/DD HH:MM:SS", the kind, the message
// and the names ("user resource" joined by ", "), separated by TABs.
std::string ConsoleReportLine(const LocalDateTime& now, int kind, const std::string& text,
                              const std::vector<std::string>& lines);

}  // namespace sentrova
