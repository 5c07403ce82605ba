// Dispatcher on Qt's event loop: posted calls run as queued calls on the
// application object's thread.
#pragma once

#include "app/dispatcher.h"

namespace sentrova {

class QtDispatcher : public Dispatcher {
 public:
  bool IsMainThread() const override;
  void Post(std::function<void()> fn) override;
  void ProcessPending() override;
};

}  // namespace sentrova
