// The watch cycle: the one-minute timer that starts a check every
// CheckInterval minutes, the check of all terminals or of one, its stop, the
// end of a check, and the rest command.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_services.h"
#include "app/main_state.h"
#include "app/main_view.h"
#include "discovery/enum_thread.h"
#include "settings/settings_cfg.h"

namespace sentrova {

class BrowseSource;
class Dispatcher;
class TerminalEvents;

class WatchCycle : private EnumTarget {
 public:
  WatchCycle(MainState& state, SentrovaCfg& cfg, MainView& view, Dispatcher& dispatcher,
             const MainServices& services, BrowseSource& browse, TerminalEvents& events);
  ~WatchCycle() override;

  // tmWatch, every 60 s.
  void WatchTimerTick();
  // Checks every watchable terminal (index -1) or only the row `index`.
  void StartCheck(int index);
  // pbSearch: checks all now, or stops the running check.
  void SearchClick();
  // mnPinpoint: checks the first selected row alone.
  void PinpointClick(int selectedRow);
  // The rest command on the selected rows.
  void Rest(const std::vector<std::size_t>& selectedRows);

  // The close sequence: asks a running check to stop and waits until it has
  // ended, serving the main thread's queued calls meanwhile.
  void StopAndWait();

  bool Checking() const { return thread_ != nullptr; }
  bool EnumRunning() const { return thread_ && thread_->EnumRunning(); }
  int MinuteCounter = 0;
  bool CheckedOnce = false;
  // Called once at the end of every check, after the events (console --once).
  std::function<void()> OnCheckEnded;
  // The access timer's part of the search button: make the access check run
  // at the first access tick after this check.
  std::function<void()> OnSearchAccess;

 private:
  // EnumTarget: the synchronized steps of the check thread.
  TermList& Rows() override { return state_.MainList; }
  void SetStatusText(const std::string& text) override { view_.SetStatusText(text); }
  void SetCheckLists(const std::vector<std::string>& errors, const std::vector<std::string>& logins,
                     const std::vector<std::string>& logouts) override;

  void OnTerminate();

  MainState& state_;
  SentrovaCfg& cfg_;
  MainView& view_;
  Dispatcher& dispatcher_;
  MainServices services_;
  BrowseSource& browse_;
  TerminalEvents& events_;
  std::unique_ptr<TEnumThread> thread_;
  // Queued termination handlers run only while the cycle exists.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace sentrova
