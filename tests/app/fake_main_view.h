// A MainView that records what the controller asked of it.
#pragma once

#include <string>
#include <vector>

#include "app/main_view.h"

namespace sentrova::test {

class FakeMainView : public MainView {
 public:
  std::string caption;
  int screenWidth = 1280;
  int screenHeight = 1024;
  WindowRect rect;
  std::string widths = "60,61,62,63,64,65,66,67,68,69,0";
  std::string positions = "1,0,2,3,4,5,6,7,8,9,10";
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  bool answer = false;
  bool tray = true;
  bool shown = false;
  bool commandsEnabled = true;
  bool watchTimer = false;
  bool accessTimer = false;

  void SetCaption(const std::string& c) override { caption = c; }
  void ScreenSize(int& w, int& h) const override {
    w = screenWidth;
    h = screenHeight;
  }
  void SetWindowRect(const WindowRect& r) override { rect = r; }
  WindowRect GetWindowRect() const override { return rect; }
  std::string ColumnWidths() const override { return widths; }
  std::string ColumnPositions() const override { return positions; }
  void ApplyColumns(const std::string& w, const std::string& p) override {
    widths = w;
    positions = p;
  }
  void ShowMessage(const std::string& text, const std::string& c, MsgIcon) override {
    messages.push_back(c + ": " + text);
  }
  bool AskYesNo(const std::string& text, const std::string&) override {
    questions.push_back(text);
    return answer;
  }
  void SetTerminalCommandsEnabled(bool e) override { commandsEnabled = e; }
  bool TrayAvailable() const override { return tray; }
  void ShowWindow() override { shown = true; }
  void SetWatchTimerEnabled(bool e) override { watchTimer = e; }
  void SetAccessTimerEnabled(bool e) override { accessTimer = e; }
};

}  // namespace sentrova::test
