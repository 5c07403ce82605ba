#include "app/watch_cycle.h"

#include <utility>

#include "app/dispatcher.h"
#include "app/list_file.h"
#include "app/terminal_events.h"
#include "tcpip/icmp.h"

namespace sentrova {

WatchCycle::WatchCycle(MainState& state, SentrovaCfg& cfg, MainView& view, Dispatcher& dispatcher,
                       const MainServices& services, BrowseSource& browse, TerminalEvents& events)
    : state_(state),
      cfg_(cfg),
      view_(view),
      dispatcher_(dispatcher),
      services_(services),
      browse_(browse),
      events_(events) {}

WatchCycle::~WatchCycle() {
  // A check still running at destruction is stopped; its handler is dropped.
  if (thread_) {
    thread_->Terminate();
    dispatcher_.WaitUntil([this] { return !thread_ || !thread_->EnumRunning(); });
    thread_.reset();
  }
}

void WatchCycle::WatchTimerTick() {
  if (state_.Busy) return;
  view_.SetWatchTimerEnabled(false);
  view_.SetAccessTimerEnabled(false);
  if (++MinuteCounter >= cfg_.CheckInterval) {
    MinuteCounter = 0;
    StartCheck(-1);
    CheckedOnce = true;
  } else if (CheckedOnce) {
    view_.SetStatusText(std::to_string(MinuteCounter) + " 分前に調査しました。");
  }
  events_.CountDelayedActions();
  view_.SetAccessTimerEnabled(true);
  view_.SetWatchTimerEnabled(true);
}

void WatchCycle::StartCheck(int index) {
  if (thread_) return;  // one check at a time
  state_.Busy = true;
  view_.SetWatchTimerEnabled(false);
  view_.SetChecking(true);
  state_.LoginList.clear();
  state_.LogoutList.clear();
  state_.ErrorList.clear();
  services_.Icmp.SetTimeOut(cfg_.TimeOut);
  services_.Icmp.SetSendBytes(static_cast<std::int16_t>(cfg_.SendBytes));
  services_.Icmp.SetTTL(cfg_.TTL);

  TResList entries;
  entries.reserve(state_.MainList.Count());
  for (std::size_t i = 0; i < state_.MainList.Count(); ++i) {
    ResItem item;
    ReadRow(item, state_.MainList, i);
    if (item.Image == kImageRest || item.Image == kImageError || item.Image == kImageSeparator) {
      item.Skip = true;
    } else {
      item.Skip = !(index == -1 || index == static_cast<int>(i));
      item.Image -= item.IconBase;
    }
    entries.push_back(std::move(item));
  }
  EnumSettings settings;
  settings.SafeCheck = cfg_.SafeCheck;
  settings.WaitWave = cfg_.WaitWave;
  settings.LoginDoAction = cfg_.Login.DoAction;
  settings.LoginAutoMAC = cfg_.Login.AutoMAC;
  settings.LogoutDoAction = cfg_.Logout.DoAction;
  settings.LogoutAutoMAC = cfg_.Logout.AutoMAC;
  EnumServices services{dispatcher_, services_.Icmp, browse_, services_.Starter, services_.Sound};
  thread_ = std::make_unique<TEnumThread>(services, static_cast<EnumTarget&>(*this), settings, std::move(entries));
  thread_->Start([this, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.lock()) OnTerminate();
  });
}

void WatchCycle::SetCheckLists(const std::vector<std::string>& errors, const std::vector<std::string>& logins,
                               const std::vector<std::string>& logouts) {
  state_.ErrorList = errors;
  state_.LoginList = logins;
  state_.LogoutList = logouts;
}

void WatchCycle::OnTerminate() {
  std::unique_ptr<TEnumThread> finished = std::move(thread_);
  view_.SetStatusText("");
  if (state_.Closing) {
    state_.Busy = false;
    view_.SetChecking(false);
    return;
  }
  events_.ReportTerminalEvents(true);
  events_.ReportTerminalEvents(false);
  events_.EvaluateAllTerminals();
  view_.SetChecking(false);
  state_.Busy = false;
  view_.SetWatchTimerEnabled(true);
  if (OnCheckEnded) OnCheckEnded();
}

void WatchCycle::SearchClick() {
  if (state_.Busy && EnumRunning()) {
    thread_->Terminate();
    return;
  }
  if (state_.Busy) return;
  view_.SetWatchTimerEnabled(false);
  StartCheck(-1);
  view_.SetWatchTimerEnabled(true);
  if (OnSearchAccess) OnSearchAccess();
}

void WatchCycle::PinpointClick(int selectedRow) {
  if (selectedRow < 0 || state_.Busy) return;
  view_.SetWatchTimerEnabled(false);
  StartCheck(selectedRow);
  view_.SetWatchTimerEnabled(true);
}

void WatchCycle::Rest(const std::vector<std::size_t>& selectedRows) {
  if (state_.Busy) return;
  for (const std::size_t row : selectedRows) {
    ResItem item;
    if (!ReadRow(item, state_.MainList, row) || item.IconBase == kIconSeparator) continue;
    if (item.State == kStateRest) {
      item.Image = kStateUnconfirmed;
      item.State = kStateUnconfirmed;
      item.StateText = kTextUnconfirmed;
    } else {
      item.Image = kImageRest;
      item.State = kStateRest;
      item.StateText = kTextRest;
    }
    item.PingResult.clear();
    WriteRow(item, state_.MainList, row);
    events_.CancelPendingActions();
  }
}

void WatchCycle::StopAndWait() {
  if (!thread_) return;
  thread_->Terminate();
  dispatcher_.WaitUntil([this] { return !state_.Busy; });
}

}  // namespace sentrova
