// A MainView that records what the controller asked of it.
#pragma once

#include <functional>
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

  // The watch cycle and the reports.
  struct Report {
    int kind;
    int level;
    int seconds;
    std::string text;
    std::vector<std::string> lines;
    bool shown = false;
  };
  std::string status;
  std::vector<std::string> statusHistory;
  bool checking = false;
  std::vector<Report> reports;  // in the order they were opened
  std::vector<bool> open = std::vector<bool>(6, false);
  std::vector<int> blinks;
  std::vector<int> trayItems;
  bool quit = false;

  // Runs inside SetStatusText (the check's progress step), main thread.
  std::function<void(const std::string&)> onStatus;
  void SetStatusText(const std::string& text) override {
    status = text;
    statusHistory.push_back(text);
    if (onStatus) onStatus(text);
  }
  void SetChecking(bool c) override { checking = c; }
  bool IsReportOpen(int kind) const override { return open[static_cast<std::size_t>(kind)]; }
  void OpenReport(int kind, int level, int seconds, const std::string& text,
                  const std::vector<std::string>& lines) override {
    open[static_cast<std::size_t>(kind)] = true;
    reports.push_back({kind, level, seconds, text, lines});
  }
  void AddReportNames(int kind, const std::vector<std::string>& lines, int seconds) override {
    for (auto it = reports.rbegin(); it != reports.rend(); ++it) {
      if (it->kind != kind) continue;
      it->lines.insert(it->lines.end(), lines.begin(), lines.end());
      it->seconds = seconds;
      return;
    }
  }
  void ShowReport(int kind) override {
    for (auto it = reports.rbegin(); it != reports.rend(); ++it) {
      if (it->kind == kind) {
        it->shown = true;
        return;
      }
    }
  }
  void BlinkTray(int seconds) override { blinks.push_back(seconds); }
  void EnableTrayReportItem(int kind) override { trayItems.push_back(kind); }
  void QuitWithoutClosing() override { quit = true; }
  // Reports of one kind.
  std::vector<Report> Of(int kind) const {
    std::vector<Report> out;
    for (const auto& r : reports) {
      if (r.kind == kind) out.push_back(r);
    }
    return out;
  }
};

}  // namespace sentrova::test
