// Waiting in tests for something another thread or process does.
#pragma once

#include <chrono>
#include <thread>

namespace sentrova::test {

// Waits for cond; gives up after a minute so that a fault fails the test
// instead of hanging it. Not a speed check.
template <typename Cond>
bool Eventually(Cond cond) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!cond()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace sentrova::test
