// The main window's state and its life: construction in a fixed order, the
// deferred start, the close sequence and destruction. Qt-free: the Qt main
// window and the console mode both drive it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "access/net_api.h"
#include "app/app_facts.h"
#include "app/dispatcher.h"
#include "app/main_state.h"
#include "app/main_services.h"
#include "app/main_view.h"
#include "app/terminal_events.h"
#include "app/watch_cycle.h"
#include "app/term_list.h"
#include "settings/settings_cfg.h"
#include "history/history_lines.h"
#include "notify/messenger.h"
#include "history/history_recorder.h"
#include "settings/settings_io.h"

namespace sentrova {

// Where the window goes: each field of `size` ("width,height") and `pos`
// ("top,left") that is not an integer keeps the design value; then a window
// that would be out of reach on the screen is moved back to 0.
WindowRect PlaceWindow(const std::string& size, const std::string& pos, const WindowRect& design, int screenWidth,
                       int screenHeight);

// History messages go to the view: a message box, or a line on stderr.
class ViewMessages : public HistoryMessageSink {
 public:
  explicit ViewMessages(MainView& view) : view_(view) {}
  void ShowMessage(const std::string& text, const std::string& caption) override {
    view_.ShowMessage(text, caption, MsgIcon::Warning);
  }

 private:
  MainView& view_;
};

class MainController {
 public:
  MainController(AppFacts& facts, SentrovaCfg& cfg, Dispatcher& dispatcher, MainView& view,
                 const MainServices& services, std::vector<std::string> args);
  ~MainController();
  MainController(const MainController&) = delete;
  MainController& operator=(const MainController&) = delete;

  // Construction, in the fixed order; ends by posting DeferredStart.
  void Construct();
  // Runs from the event loop once the window exists.
  void DeferredStart();
  // The close sequence; returns whether the window may close.
  bool CloseQuery();
  // The user's session ends: nothing is saved.
  void EndSession();
  // After the event loop has ended.
  void Destroy();

  // Hands today's history file of a kind (login, logout, access) to the
  // desktop's opener; a message tells when that fails.
  bool OpenHistoryFile(HistoryKind kind);
  HistoryRecorder& History() { return history_; }
  // The server and messenger services, bound at start-up.
  const NetApiBinding& NetApi() const { return netApi_; }
  // Sends pop-up messages with this computer's name as sender.
  const Messenger& Messages() const { return messenger_; }

  // The watch cycle: the one-minute timer, the search button, the check of
  // one terminal, the rest command on the selected rows.
  void WatchTimerTick() { watch_.WatchTimerTick(); }
  void SearchClick() { watch_.SearchClick(); }
  void PinpointClick(int selectedRow) { watch_.PinpointClick(selectedRow); }
  void Rest(const std::vector<std::size_t>& selectedRows) { watch_.Rest(selectedRows); }
  WatchCycle& Watch() { return watch_; }
  TerminalEvents& Events() { return events_; }

  // The Wake-on-LAN commands on one row of the main list (the first selected
  // one); a row index out of range does nothing.
  void GetMacOfRow(std::size_t row);
  void ClearMacOfRow(std::size_t row);
  void WakeRow(std::size_t row);

  // Why the server and messenger services could not be bound; empty when
  // they were. The window shows it on the status bar, the console on stderr.
  const std::string& BindFailure() const { return bindFailure_; }
  // What loading the settings found (layout, backup, a write that failed).
  const LoadSettingsResult& SettingsLoadResult() const { return loadResult_; }

  MainState& State() { return state_; }
  TermList& MainList() { return state_.MainList; }
  const std::string& ListFilePath() const { return listFilePath_; }
  const std::string& Caption() const { return caption_; }
  bool Closing() const { return state_.Closing; }
  bool Busy() const { return state_.Busy; }
  bool DeferredStartDone() const { return deferredStartDone_; }

  static constexpr WindowRect kDesignRect{0, 0, 447, 160};

 private:
  AppFacts& facts_;
  SentrovaCfg& cfg_;
  Dispatcher& dispatcher_;
  MainView& view_;
  MainServices services_;
  std::vector<std::string> args_;
  ViewMessages viewMessages_;
  HistoryRecorder history_;
  NetApiBinding netApi_;
  Messenger messenger_;
  MainState state_;
  TerminalEvents events_;
  WatchCycle watch_;
  std::string bindFailure_;
  LoadSettingsResult loadResult_;

  std::string listFilePath_;
  std::string caption_;
  bool netBindingMade_ = false;
  bool deferredStartDone_ = false;
  bool destroyed_ = false;
};

}  // namespace sentrova
