#include "app/terminal_events.h"

#include "app/list_file.h"
#include "app/shutdown_service.h"
#include "history/history_recorder.h"
#include "notify/messenger.h"
#include "settings/action.h"
#include "settings/process_starter.h"
#include "settings/sound.h"
#include "settings/text.h"

namespace sentrova {

TerminalEvents::TerminalEvents(MainState& state, SentrovaCfg& cfg, MainView& view, const MainServices& services,
                               HistoryRecorder& history, ManagerReportFn managerReport)
    : state_(state),
      cfg_(cfg),
      view_(view),
      services_(services),
      history_(history),
      managerReport_(std::move(managerReport)) {}

void TerminalEvents::ReportTerminalEvents(bool login) {
  std::string& blink = login ? LoginBlinkText : LogoutBlinkText;
  const std::vector<std::string>& list = login ? state_.LoginList : state_.LogoutList;
  const OneCfg& one = login ? cfg_.Login : cfg_.Logout;
  const int kind = login ? kReportLogin : kReportLogout;
  blink.clear();
  if (list.empty()) return;
  if (one.ManagerReport && managerReport_) managerReport_(login ? kManagerLogin : kManagerLogout, list);
  if (one.ShowMsg && !state_.Closing) {
    if (view_.IsReportOpen(kind)) {
      view_.AddReportNames(kind, list, one.ShowMsgTime);
    } else {
      view_.OpenReport(kind, cfg_.MessageLevel, one.ShowMsgTime, login ? "ログインしました。" : "ログアウトしました。",
                       list);
    }
    if (cfg_.MessageLevel > 1) {
      view_.BlinkTray(one.ShowMsgTime);
    } else {
      view_.ShowReport(kind);
    }
    view_.EnableTrayReportItem(kind);
  }
  if (login) {
    AllLogoutActionPending = false;
    AllLogoutReported = false;
    AllLogoutMinutes = 0;
  } else {
    AllLoginActionPending = false;
    AllLoginReported = false;
    AllLoginMinutes = 0;
  }
  if (one.Rec.DoRecord) history_.RecordHistory(login ? kHistoryLogin : kHistoryLogout, cfg_, list);
  for (const std::string& line : list) blink += FieldOf(line, '\t', 1) + '\t';
}

void TerminalEvents::AnnounceAll(bool login) {
  const AllCfg& all = login ? cfg_.AllLogin : cfg_.AllLogout;
  const int kind = login ? kReportAllLogin : kReportAllLogout;
  if (all.PlayWave) services_.Sound.PlayWaveFile(all.WaveFile, cfg_.WaitWave);
  if (all.ManagerReport && managerReport_) managerReport_(login ? kManagerAllLogin : kManagerAllLogout, {});
  if (all.ShowMsg && !state_.Closing) {
    if (!view_.IsReportOpen(kind)) {
      view_.OpenReport(kind, cfg_.MessageLevel, all.ShowMsgTime, login ? "ログイン" : "ログアウト", {});
    }
    if (cfg_.MessageLevel > 1) {
      view_.BlinkTray(all.ShowMsgTime);
    } else {
      view_.ShowReport(kind);
    }
  }
  (login ? AllLoginActionPending : AllLogoutActionPending) = true;
  (login ? AllLoginMinutes : AllLogoutMinutes) = 0;
  if (all.ActTime == 0) {
    if (login) {
      RunAllLoginAction();
    } else {
      RunAllLogoutAction();
    }
  }
}

void TerminalEvents::EvaluateAllTerminals() {
  int total = 0;
  int perState[5] = {0, 0, 0, 0, 0};
  for (std::size_t i = 0; i < state_.MainList.Count(); ++i) {
    ResItem item;
    if (!ReadRow(item, state_.MainList, i) || item.IconBase != kIconPC) continue;
    if (item.State >= 0 && item.State <= 4) ++perState[item.State];
    if (item.State == kStateLogin || item.State == kStateLogout || item.State == kStateUnconfirmed ||
        item.State == kStateError) {
      ++total;
    }
  }
  if (total == 0) return;
  const bool errorFound = perState[kStateError] > 0 && !state_.ErrorList.empty();
  if (errorFound && !ErrorReported && !state_.Closing) {
    if (!view_.IsReportOpen(kReportError)) {
      view_.OpenReport(kReportError, cfg_.MessageLevel, 7, "ネットワーク監視エラーです。", state_.ErrorList);
    }
    if (cfg_.MessageLevel > 1) {
      view_.BlinkTray(7);
    } else {
      view_.ShowReport(kReportError);
    }
    view_.EnableTrayReportItem(kReportError);
    ErrorReported = true;
  }
  if (errorFound) return;

  AllLoginNow = total == perState[kStateLogin];
  if (AllLoginNow && !AllLoginReported) {
    AnnounceAll(true);
    AllLoginReported = true;
    AllLogoutActionPending = false;
    AllLogoutMinutes = 0;
  }
  AllLogoutNow = total == perState[kStateLogout];
  if (AllLogoutNow && !AllLogoutReported) {
    AnnounceAll(false);
    AllLoginReported = false;
    AllLogoutReported = true;
    AllLoginActionPending = false;
    AllLoginMinutes = 0;
  }
}

void TerminalEvents::CountDelayedActions() {
  if (AllLoginActionPending && ++AllLoginMinutes >= cfg_.AllLogin.ActTime) {
    AllLoginMinutes = 0;
    RunAllLoginAction();
  }
  if (AllLogoutActionPending && ++AllLogoutMinutes >= cfg_.AllLogout.ActTime) {
    AllLogoutMinutes = 0;
    RunAllLogoutAction();
  }
}

void TerminalEvents::StartActFile(const AllCfg& all) {
  // Started like a command line of an action, never through a shell; the
  // outcome is not looked at.
  const std::vector<std::string> argv = ActionArgv(all.ActFile);
  if (!argv.empty()) services_.Starter.Start(argv);
}

void TerminalEvents::RunAllLoginAction() {
  const bool wasBusy = state_.Busy;
  state_.Busy = true;
  if (cfg_.AllLogin.Action == 3) StartActFile(cfg_.AllLogin);
  state_.Busy = wasBusy;
  AllLoginActionPending = false;
  AllLoginMinutes = 0;
}

void TerminalEvents::RunAllLogoutAction() {
  const bool wasBusy = state_.Busy;
  state_.Busy = true;
  if (cfg_.AllLogout.Action == 2) {
    // Power off: the event loop ends at once and nothing is saved.
    view_.QuitWithoutClosing();
    services_.Shutdown.PowerOff();
  } else if (cfg_.AllLogout.Action == 3) {
    StartActFile(cfg_.AllLogout);
  }
  state_.Busy = wasBusy;
  AllLogoutActionPending = false;
  AllLogoutMinutes = 0;
}

void TerminalEvents::CancelPendingActions() {
  AllLoginActionPending = false;
  AllLogoutActionPending = false;
  AllLoginMinutes = 0;
  AllLogoutMinutes = 0;
}

}  // namespace sentrova
