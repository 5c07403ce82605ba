#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>
#include <atomic>
#include <thread>

#include "ui/qt_dispatcher.h"

namespace sentrova {
namespace {

TEST(QtDispatcher, WorkerInvokeIsServedWhileTheMainThreadWaits) {
  int argc = 1;
  char name[] = "t";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  QtDispatcher d;
  EXPECT_TRUE(d.IsMainThread());
  std::atomic<bool> onMain{false}, finished{false};
  std::thread worker([&] {
    EXPECT_FALSE(d.IsMainThread());
    d.Invoke([&] { onMain = QThread::currentThread() == app.thread(); });
    d.Post([&] { finished = true; });
  });
  d.WaitUntil([&] { return finished.load(); });
  worker.join();
  EXPECT_TRUE(onMain);
  int direct = 0;
  d.Invoke([&] { ++direct; });  // on the main thread: no queue, no hang
  EXPECT_EQ(direct, 1);
}

}  // namespace
}  // namespace sentrova
