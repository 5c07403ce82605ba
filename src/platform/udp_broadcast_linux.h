// UDP datagrams to the limited broadcast address (SO_BROADCAST).
#pragma once

#include "tcpip/icmp_services.h"

namespace sentrova {

class LinuxUdpBroadcaster : public UdpBroadcaster {
 public:
  int Probe() override;
  int Broadcast(const std::vector<std::uint8_t>& payload, std::uint16_t port) override;
};

}  // namespace sentrova
