// The main thread's event loop, as seen by code that must run things there.
//
// A worker calls Invoke(fn) to run fn on the main thread and wait for it (the
// synchronized step of a worker thread); Post(fn) queues fn without waiting.
// Invoke on the main thread itself calls fn directly: a blocking queued call
// from the main thread to itself would never be served. The main thread waits
// for a worker only with WaitUntil, which keeps serving queued calls, so a
// worker blocked in Invoke can always finish.
#pragma once

#include <chrono>
#include <functional>

namespace sentrova {

class Dispatcher {
 public:
  virtual ~Dispatcher() = default;

  virtual bool IsMainThread() const = 0;
  // Queues fn to run on the main thread; returns at once.
  virtual void Post(std::function<void()> fn) = 0;
  // Runs the calls queued so far (and other pending events); main thread only.
  virtual void ProcessPending() = 0;

  // Runs fn on the main thread and returns when it has run. An exception
  // thrown by fn is rethrown in the caller.
  void Invoke(const std::function<void()>& fn);

  // Main thread: serve queued calls, sleeping `poll` between looks, until
  // done() is true.
  void WaitUntil(const std::function<bool()>& done,
                 std::chrono::milliseconds poll = std::chrono::milliseconds(2));
};

}  // namespace sentrova
