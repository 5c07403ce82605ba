#include "ui/qt_dispatcher.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <thread>

namespace sentrova {
namespace {

TEST(QtDispatcher, WorkerInvokeIsServedWhileTheMainThreadWaits) {
  QCoreApplication* app = QCoreApplication::instance();
  int argc = 1;
  char name[] = "t";
  char* argv[] = {name, nullptr};
  std::unique_ptr<QCoreApplication> own;
  if (!app) {
    own = std::make_unique<QCoreApplication>(argc, argv);
    app = own.get();
  }
  QtDispatcher d;
  EXPECT_TRUE(d.IsMainThread());
  std::atomic<bool> onMain{false}, finished{false};
  std::thread worker([&] {
    EXPECT_FALSE(d.IsMainThread());
    d.Invoke([&] { onMain = QThread::currentThread() == app->thread(); });
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
