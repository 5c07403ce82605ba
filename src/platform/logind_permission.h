// Whether this process may power the machine off, as logind sees it.
#pragma once

#include <string>

#include "platform/logind_bus.h"
#include "settings/shutdown_privilege.h"

namespace sentrova {

class LogindPowerOffPermission : public PowerOffPermission {
 public:
  explicit LogindPowerOffPermission(LogindBus bus = {}) : bus_(std::move(bus)) {}

  bool IsSuperUser() const override;
  std::string CanPowerOff() override;

 private:
  const LogindBus bus_;
};

// EnableShutdownPrivilege asking the system's logind.
bool EnableShutdownPrivilege();

}  // namespace sentrova
