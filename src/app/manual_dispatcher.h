// A deterministic Dispatcher without an event loop: queued calls run only when
// the main thread (the thread that created it) calls ProcessPending or
// RunOne. Tests and the console's own loop use it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>

#include "app/dispatcher.h"

namespace sentrova {

class ManualDispatcher : public Dispatcher {
 public:
  ManualDispatcher();

  bool IsMainThread() const override;
  void Post(std::function<void()> fn) override;
  void ProcessPending() override;

  // Runs the oldest queued call; false when none was queued.
  bool RunOne();
  std::size_t PendingCount() const;
  // Blocks (without running anything) until a call is queued or the time is up.
  bool WaitForPending(std::chrono::milliseconds timeout);

 private:
  std::thread::id mainThread_;
  mutable std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace sentrova
