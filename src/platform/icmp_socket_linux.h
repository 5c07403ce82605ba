// ICMP echo endpoints on Linux: an ICMP datagram socket (SOCK_DGRAM,
// IPPROTO_ICMP), allowed to the groups in net.ipv4.ping_group_range, else a
// raw ICMP socket (CAP_NET_RAW).
#pragma once

#include <atomic>

#include "tcpip/icmp_services.h"

namespace sentrova {

enum class IcmpSocketKind { kAuto, kDatagram, kRaw };

class LinuxIcmpTransport : public IcmpTransport {
 public:
  // kAuto tries the datagram socket first and falls back to the raw one.
  explicit LinuxIcmpTransport(IcmpSocketKind kind = IcmpSocketKind::kAuto) : kind_(kind) {}

  int Probe() override;
  std::unique_ptr<IcmpSocket> Open(int* err) override;

  // The kind the last successful Probe or Open used.
  IcmpSocketKind LastKind() const { return last_.load(); }

 private:
  IcmpSocketKind kind_;
  std::atomic<IcmpSocketKind> last_{IcmpSocketKind::kAuto};
};

}  // namespace sentrova
