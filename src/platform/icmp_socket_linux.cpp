#include "platform/icmp_socket_linux.h"

#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sentrova {
namespace {

class LinuxIcmpSocket : public IcmpSocket {
 public:
  LinuxIcmpSocket(int fd, bool raw) : fd_(fd), raw_(raw) {}
  ~LinuxIcmpSocket() override { ::close(fd_); }

  bool WithIpHeader() const override { return raw_; }

  int Configure(std::uint8_t ttl, std::uint8_t tos, bool dontFragment) override {
    const int t = ttl;
    const int s = tos;
    const int pmtu = dontFragment ? IP_PMTUDISC_DO : IP_PMTUDISC_DONT;
    if (::setsockopt(fd_, IPPROTO_IP, IP_TTL, &t, sizeof t) != 0) return errno;
    if (::setsockopt(fd_, IPPROTO_IP, IP_TOS, &s, sizeof s) != 0) return errno;
    if (::setsockopt(fd_, IPPROTO_IP, IP_MTU_DISCOVER, &pmtu, sizeof pmtu) != 0) return errno;
    return 0;
  }

  int Send(std::uint32_t addr, const std::vector<std::uint8_t>& message) override {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = addr;
    ssize_t n;
    do {
      n = ::sendto(fd_, message.data(), message.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? errno : 0;
  }

  IcmpArrival Receive(int timeoutMs) override {
    IcmpArrival a;
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready < 0) {
      a.kind = IcmpArrival::kFailure;
      a.errnoValue = errno;
      return a;
    }
    if (ready == 0) return a;  // timeout
    if (p.revents & POLLERR) return ReadError();
    return ReadPacket();
  }

 private:
  // One recvmsg into a.bytes, with room for the control messages; the
  // header and the sender stay valid while `r` lives.
  struct Reception {
    sockaddr_in from{};
    iovec iov{};
    alignas(cmsghdr) char control[512];
    msghdr msg{};
  };
  ssize_t Receive(int flags, IcmpArrival& a, Reception& r) {
    a.bytes.resize(65536);
    r.iov = {a.bytes.data(), a.bytes.size()};
    r.msg.msg_name = &r.from;
    r.msg.msg_namelen = sizeof r.from;
    r.msg.msg_iov = &r.iov;
    r.msg.msg_iovlen = 1;
    r.msg.msg_control = r.control;
    r.msg.msg_controllen = sizeof r.control;
    return ::recvmsg(fd_, &r.msg, flags);
  }

  IcmpArrival ReadPacket() {
    IcmpArrival a;
    Reception r;
    const ssize_t n = Receive(MSG_DONTWAIT, a, r);
    const sockaddr_in& from = r.from;
    msghdr& msg = r.msg;
    if (n < 0) {
      a.kind = IcmpArrival::kFailure;
      a.errnoValue = errno;
      a.bytes.clear();
      return a;
    }
    a.kind = IcmpArrival::kPacket;
    a.bytes.resize(static_cast<std::size_t>(n));
    a.from = from.sin_addr.s_addr;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
      if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL) {
        int ttl;
        std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
        a.ttl = ttl;
      }
    }
    return a;
  }

  IcmpArrival ReadError() {
    IcmpArrival a;
    Reception r;
    const ssize_t n = Receive(MSG_ERRQUEUE | MSG_DONTWAIT, a, r);
    msghdr& msg = r.msg;
    if (n < 0) {
      // A pending error without queue entry (the socket's error word).
      int soerr = 0;
      socklen_t len = sizeof soerr;
      ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &soerr, &len);
      a.kind = IcmpArrival::kError;
      a.errnoValue = soerr ? soerr : errno;
      a.bytes.clear();
      return a;
    }
    a.bytes.resize(static_cast<std::size_t>(n));
    a.kind = IcmpArrival::kError;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
      if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR) {
        sock_extended_err ee;
        std::memcpy(&ee, CMSG_DATA(c), sizeof ee);
        a.errnoValue = static_cast<int>(ee.ee_errno);
        a.icmpOrigin = ee.ee_origin == SO_EE_ORIGIN_ICMP;
        a.icmpType = ee.ee_type;
        a.icmpCode = ee.ee_code;
      }
    }
    // Clear the socket's error word, which the queued error also set.
    int soerr = 0;
    socklen_t len = sizeof soerr;
    ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &soerr, &len);
    return a;
  }

  int fd_;
  bool raw_;
};

int OpenDatagram() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd < 0) return -errno;
  const int on = 1;
  if (::setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on) != 0 ||
      ::setsockopt(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on) != 0) {
    const int err = errno;
    ::close(fd);
    return -err;
  }
  return fd;
}

int OpenRaw() {
  const int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd < 0) return -errno;
  // Only echo replies and the errors that can answer an echo.
  icmp_filter filter{};
  filter.data = ~static_cast<std::uint32_t>((1u << ICMP_ECHOREPLY) | (1u << ICMP_DEST_UNREACH) |
                                            (1u << ICMP_SOURCE_QUENCH) | (1u << ICMP_TIME_EXCEEDED) |
                                            (1u << ICMP_PARAMETERPROB));
  ::setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
  return fd;
}

}  // namespace

std::unique_ptr<IcmpSocket> LinuxIcmpTransport::Open(int* err) {
  int fd = -EPROTONOSUPPORT;
  bool raw = false;
  if (kind_ != IcmpSocketKind::kRaw) fd = OpenDatagram();
  if (fd < 0 && kind_ != IcmpSocketKind::kDatagram) {
    const int rawFd = OpenRaw();
    // When neither works, report why the datagram socket was refused
    // unless only the raw one was asked for.
    if (rawFd >= 0 || kind_ == IcmpSocketKind::kRaw) fd = rawFd;
    raw = rawFd >= 0;
  }
  if (fd < 0) {
    if (err) *err = -fd;
    return nullptr;
  }
  last_.store(raw ? IcmpSocketKind::kRaw : IcmpSocketKind::kDatagram);
  if (err) *err = 0;
  return std::make_unique<LinuxIcmpSocket>(fd, raw);
}

int LinuxIcmpTransport::Probe() {
  int err = 0;
  std::unique_ptr<IcmpSocket> s = Open(&err);
  return s ? 0 : err;
}

}  // namespace sentrova
