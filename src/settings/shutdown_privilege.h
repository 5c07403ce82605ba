// Whether this program may power the machine off.
#pragma once

#include <string>

namespace sentrova {

// Where the answer comes from.
class PowerOffPermission {
 public:
  virtual ~PowerOffPermission() = default;

  // True when the process runs as the superuser.
  virtual bool IsSuperUser() const = 0;

  // The login manager's answer to "may this user power off?": "yes", "no",
  // "challenge" (only after asking for a password) or "na"; empty when it
  // could not be asked.
  virtual std::string CanPowerOff() = 0;
};

// True when the program may power the machine off without asking anyone:
// it runs as the superuser, or the login manager answers "yes". Any other
// answer, or none, gives false.
bool EnableShutdownPrivilege(PowerOffPermission& permission);

}  // namespace sentrova
