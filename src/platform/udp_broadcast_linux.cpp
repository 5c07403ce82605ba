#include "platform/udp_broadcast_linux.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace sentrova {

int LinuxUdpBroadcaster::Probe() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}

int LinuxUdpBroadcaster::Broadcast(const std::vector<std::uint8_t>& payload, std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return errno;
  int result = 0;
  const int on = 1;
  if (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
    result = errno;
  } else {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    if (::sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0) {
      result = errno;
    }
  }
  ::close(fd);
  return result;
}

}  // namespace sentrova
