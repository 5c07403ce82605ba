#include "app/console_view.h"

#include "app/res_item.h"
#include "settings/text.h"

namespace sentrova {
namespace {

const char* KindName(std::int32_t iconBase) {
  switch (iconBase) {
    case kIconSeparator:
      return "separator";
    case kIconServer:
      return "server";
    case kIconPrinter:
      return "printer";
    case kIconDevice:
      return "device";
    default:
      return "pc";
  }
}

// One line per message: line breaks in the text become " / ".
std::string OneLine(const std::string& text) {
  return ReplaceAll(ReplaceAll(ReplaceAll(text, "\r\n", "\n"), "\r", "\n"), "\n", " / ");
}

}  // namespace

ConsoleView::ConsoleView(std::FILE* out, std::FILE* err, std::FILE* answers, bool interactive,
                         const HistoryClock& clock)
    : out_(out), err_(err), answers_(answers), clock_(clock), interactive_(interactive) {}

void ConsoleView::SetCaption(const std::string&) {}

void ConsoleView::ScreenSize(int& width, int& height) const {
  width = 1024;
  height = 768;
}

void ConsoleView::SetWindowRect(const WindowRect& rect) { rect_ = rect; }
WindowRect ConsoleView::GetWindowRect() const { return rect_; }
std::string ConsoleView::ColumnWidths() const { return colWidths_; }
std::string ConsoleView::ColumnPositions() const { return colPositions_; }

void ConsoleView::ApplyColumns(const std::string& widths, const std::string& positions) {
  // Nothing to draw: keep them so that closing stores them unchanged.
  colWidths_ = widths;
  colPositions_ = positions;
}

void ConsoleView::ShowMessage(const std::string& text, const std::string& caption, MsgIcon) {
  std::fprintf(err_, "%s: %s\n", caption.c_str(), OneLine(text).c_str());
  std::fflush(err_);
}

bool ConsoleView::AskYesNo(const std::string& text, const std::string& caption) {
  if (!interactive_ || !answers_) {
    std::fprintf(err_, "%s: %s [y/N] N (no terminal to ask)\n", caption.c_str(), OneLine(text).c_str());
    std::fflush(err_);
    return false;
  }
  std::fprintf(err_, "%s: %s [y/N] ", caption.c_str(), OneLine(text).c_str());
  std::fflush(err_);
  char buf[64] = {};
  if (!std::fgets(buf, sizeof buf, answers_)) return false;
  return buf[0] == 'y' || buf[0] == 'Y';
}

void ConsoleView::SetTerminalCommandsEnabled(bool) {}
bool ConsoleView::TrayAvailable() const { return false; }
void ConsoleView::ShowWindow() {}
void ConsoleView::SetWatchTimerEnabled(bool) {}
void ConsoleView::SetAccessTimerEnabled(bool) {}
void ConsoleView::SetStatusText(const std::string&) {}
void ConsoleView::SetChecking(bool) {}
bool ConsoleView::IsReportOpen(int) const { return false; }

void ConsoleView::OpenReport(int kind, int, int, const std::string& text, const std::vector<std::string>& lines) {
  std::fprintf(out_, "%s\n", ConsoleReportLine(clock_.Now(), kind, text, lines).c_str());
  std::fflush(out_);
}

void ConsoleView::AddReportNames(int kind, const std::vector<std::string>& lines, int seconds) {
  OpenReport(kind, 0, seconds, "", lines);
}

void ConsoleView::ShowReport(int) {}
void ConsoleView::BlinkTray(int) {}
void ConsoleView::EnableTrayReportItem(int) {}

void ConsoleView::QuitWithoutClosing() {
  if (OnQuit) OnQuit();
}

std::string ConsoleReportLine(const LocalDateTime& now, int kind, const std::string& text,
                              const std::vector<std::string>& lines) {
  static const char* const kKinds[] = {"login", "logout", "error", "access", "all-login", "all-logout"};
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d %02d:%02d:%02d", now.Year, now.Month, now.Day, now.Hour,
                now.Minute, now.Second);
  std::string names;
  for (const std::string& line : lines) {
    if (!names.empty()) names += ", ";
    names += TrimBlanks(ReplaceAll(OneLine(line), "\t", " "));
  }
  return std::string(stamp) + '\t' + (kind >= 0 && kind < 6 ? kKinds[kind] : "report") + '\t' + OneLine(text) +
         '\t' + names;
}

std::string ConsoleTerminalLine(const ListRow& row) {
  const std::string& ip = row.SubItems[kSubIP];
  return row.Caption + '\t' + row.SubItems[kSubResource] + '\t' + row.SubItems[kSubState] + '\t' +
         row.SubItems[kSubDomain] + '\t' + TrimBlanks(ReplaceAll(ip, " ", "")) + '\t' +
         KindName(DataIconBase(row.Data));
}

void ConsoleView::PrintTerminals(const TermList& list) {
  for (const ListRow& row : list.Rows()) std::fprintf(out_, "%s\n", ConsoleTerminalLine(row).c_str());
  std::fflush(out_);
}

}  // namespace sentrova
