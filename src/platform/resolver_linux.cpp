#include "platform/resolver_linux.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

namespace sentrova {

int WinsockCodeFromEai(int eai, int sysErrno) {
  switch (eai) {
    case 0:
      return 0;
    case EAI_NONAME:
      return 11001;
    case EAI_AGAIN:
      return 11002;
    case EAI_FAIL:
      return 11003;
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
      return 11004;
    case EAI_MEMORY:
      return 8;
    case EAI_SYSTEM:
      return sysErrno == ENOMEM ? 8 : 11003;
    default:
      return 11003;
  }
}

int LinuxResolver::AddressOf(const std::string& name, std::uint32_t* addr) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &list);
  if (rc != 0) return WinsockCodeFromEai(rc, errno);
  int result = 11004;
  for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
    if (ai->ai_family == AF_INET && ai->ai_addr) {
      *addr = reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr;
      result = 0;
      break;
    }
  }
  ::freeaddrinfo(list);
  return result;
}

int LinuxResolver::NameOf(std::uint32_t addr, std::string* name) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = addr;
  char host[NI_MAXHOST];
  const int rc = ::getnameinfo(reinterpret_cast<const sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0,
                               NI_NAMEREQD);
  if (rc != 0) return WinsockCodeFromEai(rc, errno);
  *name = host;
  return 0;
}

}  // namespace sentrova
