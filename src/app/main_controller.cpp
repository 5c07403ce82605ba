#include "app/main_controller.h"

#include <utility>

#include "app/list_file.h"
#include "app/system_info.h"
#include "settings/settings_io.h"
#include "settings/shutdown_privilege.h"
#include "settings/text.h"
#include "tcpip/icmp.h"
#include "tcpip/icmp_commands.h"

namespace sentrova {

WindowRect PlaceWindow(const std::string& size, const std::string& pos, const WindowRect& design, int screenWidth,
                       int screenHeight) {
  WindowRect r;
  r.Width = SettingsIntField(size, 0, design.Width);
  r.Height = SettingsIntField(size, 1, design.Height);
  r.Top = SettingsIntField(pos, 0, design.Top);
  r.Left = SettingsIntField(pos, 1, design.Left);
  // Keep the window reachable.
  if (static_cast<long long>(r.Top) + r.Height <= 0 || r.Top > screenHeight) r.Top = 0;
  if (static_cast<long long>(r.Left) + r.Width <= 0 || r.Left > screenWidth) r.Left = 0;
  return r;
}

MainController::MainController(AppFacts& facts, SentrovaCfg& cfg, Dispatcher& dispatcher, MainView& view,
                               const MainServices& services, std::vector<std::string> args)
    : facts_(facts),
      cfg_(cfg),
      dispatcher_(dispatcher),
      view_(view),
      services_(services),
      args_(std::move(args)),
      viewMessages_(view),
      history_(services.Clock, viewMessages_, services.Opener, facts.ProgramDir),
      events_(state_, cfg, view, services, history_,
              [this](int kind, const std::vector<std::string>& lines) {
                SendManagerReport(cfg_, messenger_, kind, lines);
              }),
      watch_(state_, cfg, view, dispatcher, services, services.Browse, events_) {}

MainController::~MainController() = default;

void MainController::Construct() {
  // Private state: nothing is closing, nothing is running.
  state_.Closing = false;
  facts_.ExitWindowsAllowed = true;
  facts_.IsNT3x = false;
  state_.LoginList.clear();
  state_.LogoutList.clear();
  state_.ErrorList.clear();
  state_.AccessList.clear();

  caption_ = kAppTitle;
  const bool trayAvailable = view_.TrayAvailable();
  caption_ += " on [" + GetLocalOSName(facts_) + "]";
  view_.SetCaption(caption_);
  listFilePath_ = facts_.ProgramDir + ListFileName(facts_.PlatformCode);
  loadResult_ = LoadSettings(facts_.ProgramDir, args_, cfg_);

  int screenWidth = 0;
  int screenHeight = 0;
  view_.ScreenSize(screenWidth, screenHeight);
  view_.SetWindowRect(PlaceWindow(cfg_.MainWnd.Size, cfg_.MainWnd.Pos, kDesignRect, screenWidth, screenHeight));
  view_.ApplyColumns(cfg_.MainWnd.ColWidth, cfg_.MainWnd.ColPosition);

  // The network services are bound on the 9x and NT families; the binding
  // counts as made whatever its outcome. A failure is told once, on the
  // status bar (the console: standard error), with what was missing.
  if (facts_.PlatformCode == 1 || facts_.PlatformCode == 2) {
    netBindingMade_ = true;
    if (!BindNetApi(netApi_, services_.NetLoader, facts_.PlatformCode) && netApi_.Attempted) {
      bindFailure_ = netApi_.FailureText;
      if (!netApi_.FailureDetail.empty()) bindFailure_ += " (" + netApi_.FailureDetail + ")";
    }
  }
  messenger_ = Messenger{facts_.PlatformCode, &netApi_, nullptr, facts_.ComputerName};

  if (!trayAvailable) cfg_.ScreenMode = 1;
  if (facts_.PlatformCode == 2) {
    if (facts_.IsNT3x) cfg_.ScreenMode = 1;
    // Without the right to power off, a stored power-off choice does nothing.
    if (!EnableShutdownPrivilege(services_.PowerOffRight)) {
      facts_.ExitWindowsAllowed = false;
      netApi_.StartupProblems |= kProblemShutdownPrivilege;
      if (cfg_.AllLogout.Action == 2) cfg_.AllLogout.Action = 1;
    }
  }

  dispatcher_.Post([this] { DeferredStart(); });
}

void MainController::DeferredStart() {
  if (deferredStartDone_ || state_.Closing) return;
  deferredStartDone_ = true;
  LoadList(state_.MainList, listFilePath_);
  view_.SetTerminalCommandsEnabled(false);
  state_.Busy = false;
  if (cfg_.StartCheck && (!cfg_.StartCheckMsg || view_.AskYesNo("端末の調査を今すぐ行いますか？", kAppTitle))) {
    // The timer handler run now finds the interval reached and checks.
    watch_.MinuteCounter = cfg_.CheckInterval;
    watch_.WatchTimerTick();
  }
  view_.ShowWindow();
  view_.SetWatchTimerEnabled(true);
  view_.SetAccessTimerEnabled(true);
}

bool MainController::CloseQuery() {
  state_.Closing = true;
  const WindowRect r = view_.GetWindowRect();
  cfg_.MainWnd.Size = std::to_string(r.Width) + "," + std::to_string(r.Height);
  cfg_.MainWnd.Pos = std::to_string(r.Top) + "," + std::to_string(r.Left);
  cfg_.MainWnd.ColWidth = view_.ColumnWidths();
  cfg_.MainWnd.ColPosition = view_.ColumnPositions();
  // A running check stops at its next stop point; its handler applies nothing.
  watch_.StopAndWait();
  if (services_.Icmp.IsActive()) services_.Icmp.Active(false);
  std::string error;
  if (!SaveSettings(facts_.ProgramDir, cfg_, error)) view_.ShowMessage(error, kAppTitle, MsgIcon::Warning);
  view_.SetAccessTimerEnabled(false);
  return true;
}

bool MainController::OpenHistoryFile(HistoryKind kind) {
  switch (kind) {
    case kHistoryLogin:
      return history_.OpenHistoryFile(cfg_.Login.Rec);
    case kHistoryLogout:
      return history_.OpenHistoryFile(cfg_.Logout.Rec);
    case kHistoryAccess:
      return history_.OpenHistoryFile(cfg_.Access.Rec);
  }
  return false;
}

void MainController::GetMacOfRow(std::size_t row) {
  if (row >= state_.MainList.Count()) return;
  ListRow copy = state_.MainList.Row(row);
  sentrova::GetMacOfRow(services_.Icmp, copy);
  state_.MainList.Set(row, std::move(copy));
}

void MainController::ClearMacOfRow(std::size_t row) {
  if (row >= state_.MainList.Count()) return;
  ListRow copy = state_.MainList.Row(row);
  sentrova::ClearMacOfRow(copy);
  state_.MainList.Set(row, std::move(copy));
}

void MainController::WakeRow(std::size_t row) {
  if (row >= state_.MainList.Count()) return;
  // A MAC text that is not one sends nothing; the user learns why.
  if (auto error = sentrova::WakeRow(services_.Icmp, state_.MainList.Row(row))) {
    view_.ShowMessage(*error, kAppTitle, MsgIcon::Warning);
  }
}

void MainController::EndSession() { state_.Closing = true; }

void MainController::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (netBindingMade_) UnbindNetApi(netApi_);
  netBindingMade_ = false;
}

}  // namespace sentrova
