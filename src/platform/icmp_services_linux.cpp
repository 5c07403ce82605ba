#include "platform/icmp_services_linux.h"

#include "platform/neighbour_linux.h"
#include "platform/resolver_linux.h"
#include "platform/udp_broadcast_linux.h"

namespace sentrova {

IcmpServices MakeLinuxIcmpServices(IcmpSocketKind kind) {
  IcmpServices s;
  s.echo = std::make_unique<LinuxIcmpTransport>(kind);
  s.neighbours = std::make_unique<LinuxNeighbourTable>();
  s.resolver = std::make_unique<LinuxResolver>();
  s.broadcaster = std::make_unique<LinuxUdpBroadcaster>();
  return s;
}

}  // namespace sentrova
