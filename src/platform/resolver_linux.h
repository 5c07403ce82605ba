// Host names and IPv4 addresses through getaddrinfo / getnameinfo.
#pragma once

#include "tcpip/icmp_services.h"

namespace sentrova {

// The Winsock code of a getaddrinfo / getnameinfo failure: 11001 host not
// found, 11002 try again, 11003 no recovery, 11004 no data (8 out of memory).
// `sysErrno` is errno for EAI_SYSTEM.
int WinsockCodeFromEai(int eai, int sysErrno);

class LinuxResolver : public Resolver {
 public:
  int AddressOf(const std::string& name, std::uint32_t* addr) override;
  int NameOf(std::uint32_t addr, std::string* name) override;
};

}  // namespace sentrova
