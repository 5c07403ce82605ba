#include "settings/shutdown_privilege.h"

namespace sentrova {

bool EnableShutdownPrivilege(PowerOffPermission& permission) {
  if (permission.IsSuperUser()) return true;
  return permission.CanPowerOff() == "yes";
}

}  // namespace sentrova
