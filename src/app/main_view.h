// What the main window's logic needs of the window that shows it. The Qt
// main window implements it; so does the console mode, without a window.
#pragma once

#include <string>
#include <vector>

namespace sentrova {

struct WindowRect {
  int Top = 0;
  int Left = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const WindowRect&) const = default;
};

enum class MsgIcon { Information, Warning, Question, Error };

class MainView {
 public:
  virtual ~MainView() = default;

  virtual void SetCaption(const std::string& caption) = 0;
  // Size of the screen the window lives on.
  virtual void ScreenSize(int& width, int& height) const = 0;
  virtual void SetWindowRect(const WindowRect& rect) = 0;
  virtual WindowRect GetWindowRect() const = 0;

  // The list's columns: widths and column identities, comma-separated, in
  // display order; and applying stored ones.
  virtual std::string ColumnWidths() const = 0;
  virtual std::string ColumnPositions() const = 0;
  virtual void ApplyColumns(const std::string& widths, const std::string& positions) = 0;

  virtual void ShowMessage(const std::string& text, const std::string& caption, MsgIcon icon) = 0;
  virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;

  // Commands that act on the selected terminal (nothing is selected at start).
  virtual void SetTerminalCommandsEnabled(bool enabled) = 0;
  // Whether a system tray exists to put an icon in.
  virtual bool TrayAvailable() const = 0;
  // Shows the window (start-up, once the list is loaded).
  virtual void ShowWindow() = 0;
  virtual void SetWatchTimerEnabled(bool enabled) = 0;
  virtual void SetAccessTimerEnabled(bool enabled) = 0;

  // The watch cycle.
  virtual void SetStatusText(const std::string& text) = 0;
  // While a check runs: the search button reads "中止(&D)", the editor and
  // settings buttons and the one-terminal check are disabled, the tray shows
  // the checking picture, and the details view does not sort.
  virtual void SetChecking(bool checking) = 0;

  // Reports of events, by report kind (0 login, 1 logout, 2 watch error,
  // 3 access, 4 all logged in, 5 all logged out).
  virtual bool IsReportOpen(int kind) const = 0;
  // Creates the report of a kind with its text and lines; not shown yet.
  virtual void OpenReport(int kind, int messageLevel, int seconds, const std::string& text,
                          const std::vector<std::string>& lines) = 0;
  // Adds lines to the open report of a kind and restarts its countdown.
  virtual void AddReportNames(int kind, const std::vector<std::string>& lines, int seconds) = 0;
  virtual void ShowReport(int kind) = 0;
  // Blinks the tray icon for some seconds (0: until its menu is opened).
  virtual void BlinkTray(int seconds) = 0;
  // Enables the tray menu item that shows the report of a kind.
  virtual void EnableTrayReportItem(int kind) = 0;
  // Ends the event loop at once, without the close sequence.
  virtual void QuitWithoutClosing() = 0;
};

}  // namespace sentrova
