// The Linux services of the ICMP component, ready to hand to TIcmp.
#pragma once

#include "platform/icmp_socket_linux.h"
#include "tcpip/icmp_services.h"

namespace sentrova {

IcmpServices MakeLinuxIcmpServices(IcmpSocketKind kind = IcmpSocketKind::kAuto);

}  // namespace sentrova
