#include "app/dispatcher.h"

#include <exception>
#include <future>
#include <thread>

namespace sentrova {

void Dispatcher::Invoke(const std::function<void()>& fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  std::promise<void> done;
  std::future<void> result = done.get_future();
  Post([&fn, &done] {
    try {
      fn();
      done.set_value();
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  });
  result.get();
}

void Dispatcher::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds poll) {
  for (;;) {
    ProcessPending();
    if (done()) return;
    std::this_thread::sleep_for(poll);
  }
}

}  // namespace sentrova
