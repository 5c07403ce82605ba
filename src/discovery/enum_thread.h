// The check thread: walks copies of the watched terminals, decides for each
// one whether it is logged in, logged out or could not be checked, runs the
// terminal's own action on a change, and hands each result to the main
// thread in a synchronized step.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/res_item.h"

namespace sentrova {

class BrowseSource;
class Dispatcher;
class ProcessStarter;
class SoundPlayer;
class TIcmp;
class TermList;

// The thread's working copies of all rows, in row order.
using TResList = std::vector<ResItem>;

// The settings the thread reads, copied when the check starts.
struct EnumSettings {
  bool SafeCheck = false;
  bool WaitWave = false;
  bool LoginDoAction = false;
  bool LoginAutoMAC = false;   // fetch the MAC of a terminal found by ping
  bool LogoutDoAction = false;
  bool LogoutAutoMAC = false;  // forget the MAC of a terminal that went away
};

// The main window's side of a check: reached only on the main thread, inside
// the synchronized steps.
class EnumTarget {
 public:
  virtual ~EnumTarget() = default;
  virtual TermList& Rows() = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  virtual void SetCheckLists(const std::vector<std::string>& errors, const std::vector<std::string>& logins,
                             const std::vector<std::string>& logouts) = 0;
};

struct EnumServices {
  Dispatcher& Main;
  TIcmp& Icmp;
  BrowseSource& Browse;
  ProcessStarter& Starter;
  SoundPlayer& Sound;
};

// Cells of an IP-checked row that a ping recorded for ApplyEntry.
struct PingCells {
  std::optional<std::string> Result, IP, Resource, Mac;
};

class TEnumThread {
 public:
  TEnumThread(EnumServices services, EnumTarget& target, EnumSettings settings, TResList entries);
  ~TEnumThread();  // joins the thread
  TEnumThread(const TEnumThread&) = delete;
  TEnumThread& operator=(const TEnumThread&) = delete;

  // Runs the check on a thread of its own. When the run has ended, for any
  // reason, onTerminate is queued to the main thread.
  void Start(std::function<void()> onTerminate);
  // Asks the run to stop at its next stop point.
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  // True from the first step of the run until its loop ends.
  bool EnumRunning() const { return running_; }
  // Waits for the thread to end (after onTerminate was queued).
  void Join();

  // The run itself, on the calling thread (the thread body; tests call it).
  void Run();

  const TResList& Entries() const { return entries_; }

 private:
  // The ICMP component, activated when it is not yet; false when it cannot be.
  bool IcmpActive();
  std::string ResolveIP(const std::string& name);
  void CheckByPing(ResItem& e, PingCells& cells);
  bool IsDomainVisible(const ResItem& e);
  void SetLogin(ResItem& e);
  void SetLogout(ResItem& e);
  void SetError(ResItem& e);
  void RunChangeAction(const ResItem& e, const std::string& action);
  void ShowProgress(const ResItem& e);
  void ApplyEntry(std::size_t index, const ResItem& e, const PingCells& cells);

  EnumServices services_;
  EnumTarget& target_;
  const EnumSettings settings_;
  TResList entries_;
  std::vector<std::string> errorList_, loginList_, logoutList_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace sentrova
