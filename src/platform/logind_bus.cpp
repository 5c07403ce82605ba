#include "platform/logind_bus.h"

#include <systemd/sd-bus.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace sentrova {

namespace {

struct BusCloser {
  void operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
};
struct MessageUnref {
  void operator()(sd_bus_message* m) const { sd_bus_message_unref(m); }
};
using BusPtr = std::unique_ptr<sd_bus, BusCloser>;
using MessagePtr = std::unique_ptr<sd_bus_message, MessageUnref>;

BusPtr OpenBus(const std::string& address) {
  sd_bus* bus = nullptr;
  if (address.empty()) {
    if (sd_bus_open_system(&bus) < 0) return nullptr;
    return BusPtr(bus);
  }
  if (sd_bus_new(&bus) < 0) return nullptr;
  BusPtr owned(bus);
  if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 || sd_bus_start(bus) < 0)
    return nullptr;
  return owned;
}

struct Pending {
  bool done = false;
  bool ok = false;
  std::function<bool(sd_bus_message*)> read;
};

int OnReply(sd_bus_message* reply, void* userdata, sd_bus_error*) {
  auto* pending = static_cast<Pending*>(userdata);
  pending->done = true;
  pending->ok = !sd_bus_message_is_method_error(reply, nullptr) && pending->read(reply);
  return 0;
}

// Calls method on logind's manager; the whole exchange, connecting and
// authenticating included, ends within bus.timeout. read takes the reply.
bool CallManager(const LogindBus& settings, const char* method, const std::function<bool(sd_bus_message*)>& addArgs,
                 std::function<bool(sd_bus_message*)> read) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + settings.timeout;
  BusPtr bus = OpenBus(settings.address);
  if (!bus) return false;
  sd_bus_message* raw = nullptr;
  if (sd_bus_message_new_method_call(bus.get(), &raw, "org.freedesktop.login1", "/org/freedesktop/login1",
                                     "org.freedesktop.login1.Manager", method) < 0)
    return false;
  MessagePtr message(raw);
  if (addArgs && !addArgs(message.get())) return false;
  Pending pending;
  pending.read = std::move(read);
  const auto usec = std::chrono::duration_cast<std::chrono::microseconds>(settings.timeout).count();
  // Asynchronous, so that the wait below (and not sd-bus's own, longer
  // authentication timeout) bounds the time.
  if (sd_bus_call_async(bus.get(), nullptr, message.get(), &OnReply, &pending, static_cast<std::uint64_t>(usec)) < 0)
    return false;
  while (!pending.done) {
    const int r = sd_bus_process(bus.get(), nullptr);
    if (r < 0) return false;
    if (r > 0) continue;
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    if (sd_bus_wait(bus.get(), static_cast<std::uint64_t>(left)) < 0) return false;
  }
  return pending.ok;
}

}  // namespace

std::optional<std::string> LogindCanPowerOff(const LogindBus& bus) {
  std::string answer;
  const bool ok = CallManager(bus, "CanPowerOff", nullptr, [&](sd_bus_message* reply) {
    const char* text = nullptr;
    if (sd_bus_message_read(reply, "s", &text) < 0 || !text) return false;
    answer = text;
    return true;
  });
  if (!ok) return std::nullopt;
  return answer;
}

bool LogindPowerOff(const LogindBus& bus) {
  return CallManager(
      bus, "PowerOff", [](sd_bus_message* m) { return sd_bus_message_append(m, "b", 0) >= 0; },
      [](sd_bus_message*) { return true; });
}

}  // namespace sentrova
