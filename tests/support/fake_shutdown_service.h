// A ShutdownService that only counts the calls.
#pragma once

#include "app/shutdown_service.h"

namespace sentrova::test {

class FakeShutdownService : public ShutdownService {
 public:
  explicit FakeShutdownService(bool result = true) : result_(result) {}

  bool PowerOff() override {
    ++calls;
    return result_;
  }

  int calls = 0;

 private:
  bool result_;
};

}  // namespace sentrova::test
