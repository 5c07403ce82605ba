#include "platform/logind_permission.h"

#include <unistd.h>

namespace sentrova {

bool LogindPowerOffPermission::IsSuperUser() const { return geteuid() == 0; }

std::string LogindPowerOffPermission::CanPowerOff() { return LogindCanPowerOff(bus_).value_or(std::string()); }

bool EnableShutdownPrivilege() {
  LogindPowerOffPermission permission;
  return EnableShutdownPrivilege(permission);
}

}  // namespace sentrova
