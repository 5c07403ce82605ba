#include "app/manual_dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace sentrova {
namespace {

TEST(ManualDispatcher, InvokeOnTheMainThreadRunsAtOnce) {
  ManualDispatcher d;
  int ran = 0;
  d.Invoke([&] { ++ran; });
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(d.PendingCount(), 0u);
}

TEST(ManualDispatcher, WorkerInvokeRunsOnTheMainThreadWhileItWaits) {
  ManualDispatcher d;
  const auto main = std::this_thread::get_id();
  std::vector<int> order;
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) {
      d.Invoke([&, i] {
        EXPECT_EQ(std::this_thread::get_id(), main);
        order.push_back(i);
      });
    }
    d.Post([&] { finished = true; });  // like a termination handler
  });
  d.WaitUntil([&] { return finished.load(); });
  worker.join();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST(ManualDispatcher, ExceptionsReachTheWorker) {
  ManualDispatcher d;
  std::atomic<bool> caught{false};
  std::thread worker([&] {
    try {
      d.Invoke([] { throw std::runtime_error("x"); });
    } catch (const std::runtime_error&) {
      caught = true;
    }
  });
  d.WaitUntil([&] { return caught.load(); });
  worker.join();
}

TEST(ManualDispatcher, ProcessPendingRunsOnlyWhatWasQueued) {
  ManualDispatcher d;
  int runs = 0;
  std::function<void()> again = [&] {
    ++runs;
    d.Post(again);
  };
  d.Post(again);
  d.ProcessPending();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(d.PendingCount(), 1u);
}

}  // namespace
}  // namespace sentrova
