// What the main window's logic needs of the window that shows it. The Qt
// main window implements it; so does the console mode, without a window.
#pragma once

#include <string>

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
};

}  // namespace sentrova
