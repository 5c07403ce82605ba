// Powering the machine off through logind.
#pragma once

#include "app/shutdown_service.h"
#include "platform/logind_bus.h"

namespace sentrova {

class LogindShutdownService : public ShutdownService {
 public:
  explicit LogindShutdownService(LogindBus bus = {}) : bus_(std::move(bus)) {}

  // logind's PowerOff, not interactive: it is refused rather than asking
  // for a password.
  bool PowerOff() override { return LogindPowerOff(bus_); }

 private:
  const LogindBus bus_;
};

}  // namespace sentrova
