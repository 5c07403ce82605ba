#include "app/manual_dispatcher.h"

#include <utility>

namespace sentrova {

ManualDispatcher::ManualDispatcher() : mainThread_(std::this_thread::get_id()) {}

bool ManualDispatcher::IsMainThread() const { return std::this_thread::get_id() == mainThread_; }

void ManualDispatcher::Post(std::function<void()> fn) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(fn));
  }
  queued_.notify_all();
}

bool ManualDispatcher::RunOne() {
  std::function<void()> fn;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.empty()) return false;
    fn = std::move(queue_.front());
    queue_.pop_front();
  }
  fn();
  return true;
}

void ManualDispatcher::ProcessPending() {
  // Only what was queued before this call: a call that queues another one
  // cannot keep the main thread here forever.
  std::size_t n = PendingCount();
  while (n-- > 0 && RunOne()) {
  }
}

std::size_t ManualDispatcher::PendingCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

bool ManualDispatcher::WaitForPending(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return queued_.wait_for(lock, timeout, [this] { return !queue_.empty(); });
}

}  // namespace sentrova
