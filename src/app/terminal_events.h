// What a check's results turn into: the login, logout and watch-error
// reports of single terminals, and the all-logged-in and all-logged-out
// events with their delayed actions.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/app_facts.h"
#include "app/main_services.h"
#include "app/main_state.h"
#include "app/main_view.h"
#include "settings/settings_cfg.h"

namespace sentrova {

class HistoryRecorder;

// Report kinds.
enum ReportKind : int {
  kReportLogin = 0,
  kReportLogout = 1,
  kReportError = 2,
  kReportAccess = 3,
  kReportAllLogin = 4,
  kReportAllLogout = 5,
};

// Sends a manager report: kinds 1 login, 2 logout, 3 all logged in, 4 all
// logged out, 5 access; lines only for 1, 2 and 5.
using ManagerReportFn = std::function<void(int kind, const std::vector<std::string>& lines)>;

class TerminalEvents {
 public:
  TerminalEvents(MainState& state, SentrovaCfg& cfg, MainView& view, const MainServices& services,
                 HistoryRecorder& history, ManagerReportFn managerReport);

  // The single-terminal events of the login (true) or logout (false) list.
  void ReportTerminalEvents(bool login);
  // Counts the personal computers and reports the all-terminal events.
  void EvaluateAllTerminals();
  // Every watch-timer tick: runs a delayed action whose time has come.
  void CountDelayedActions();
  void RunAllLoginAction();
  void RunAllLogoutAction();
  // The rest command: pending actions are dropped, reported flags stay.
  void CancelPendingActions();

  bool AllLoginReported = false;
  bool AllLogoutReported = false;
  bool ErrorReported = false;
  bool AllLoginActionPending = false;
  bool AllLogoutActionPending = false;
  int AllLoginMinutes = 0;
  int AllLogoutMinutes = 0;
  bool AllLoginNow = false;
  bool AllLogoutNow = false;
  // Resource names of the terminals that logged in (out) at the last check,
  // each followed by a TAB.
  std::string LoginBlinkText;
  std::string LogoutBlinkText;

 private:
  // The all-logged-in (true) or all-logged-out event: its sound, manager
  // report and report, and its delayed action armed (run at once when the
  // delay is 0).
  void AnnounceAll(bool login);
  void StartActFile(const AllCfg& all);

  MainState& state_;
  SentrovaCfg& cfg_;
  MainView& view_;
  MainServices services_;
  HistoryRecorder& history_;
  ManagerReportFn managerReport_;
};

}  // namespace sentrova
