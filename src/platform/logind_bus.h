// Calls on systemd-logind's manager object over the system D-Bus, each
// bounded in time: no bus, no logind or a bus that does not answer gives a
// failure after at most the timeout, never a hang.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace sentrova {

struct LogindBus {
  // A D-Bus address such as "unix:path=/run/dbus/system_bus_socket"; empty
  // for the system bus ($DBUS_SYSTEM_BUS_ADDRESS or its usual socket).
  std::string address;
  std::chrono::milliseconds timeout{3000};
};

// org.freedesktop.login1.Manager.CanPowerOff(): "yes", "no", "challenge",
// "na"; nothing when the call failed.
std::optional<std::string> LogindCanPowerOff(const LogindBus& bus);

// org.freedesktop.login1.Manager.PowerOff(false): true when logind accepted.
bool LogindPowerOff(const LogindBus& bus);

}  // namespace sentrova
