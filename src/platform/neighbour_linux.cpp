#include "platform/neighbour_linux.h"

#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace sentrova {
namespace {

// What the table says about one address.
struct Entry {
  enum Kind { kNone, kFailed, kPending, kKnown } kind = kNone;
  MacBytes mac{};
};

class Netlink {
 public:
  Netlink() : fd_(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)) {
    if (fd_ >= 0) {
      timeval tv{1, 0};
      ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }
  }
  ~Netlink() {
    if (fd_ >= 0) ::close(fd_);
  }
  int fd() const { return fd_; }

  // Sends a request and hands each answering message to fn until the dump or
  // the answer ends. False on a failed call.
  template <typename Fn>
  bool Ask(nlmsghdr* req, Fn fn) {
    req->nlmsg_seq = ++seq_;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd_, req, req->nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0) return false;
    std::vector<char> buf(32768);
    for (;;) {
      const ssize_t n = ::recv(fd_, buf.data(), buf.size(), 0);
      if (n < 0) return false;
      std::size_t left = static_cast<std::size_t>(n);
      for (char* p = buf.data(); left >= sizeof(nlmsghdr);) {
        auto* h = reinterpret_cast<nlmsghdr*>(p);
        if (h->nlmsg_len < sizeof(nlmsghdr) || h->nlmsg_len > left) break;
        const std::size_t step = std::min<std::size_t>(NLMSG_ALIGN(h->nlmsg_len), left);
        p += step;
        left -= step;
        if (h->nlmsg_seq != seq_) continue;
        if (h->nlmsg_type == NLMSG_DONE) return true;
        if (h->nlmsg_type == NLMSG_ERROR) {
          const auto* e = static_cast<const nlmsgerr*>(NLMSG_DATA(h));
          return e->error == 0;
        }
        fn(h);
        if (!(h->nlmsg_flags & NLM_F_MULTI)) return true;
      }
    }
  }

 private:
  int fd_;
  std::uint32_t seq_ = 0;
};

Entry Query(Netlink& nl, std::uint32_t addr) {
  struct {
    nlmsghdr h;
    ndmsg nd;
  } req{};
  req.h.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
  req.h.nlmsg_type = RTM_GETNEIGH;
  req.h.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  req.nd.ndm_family = AF_INET;
  Entry best;
  nl.Ask(&req.h, [&](nlmsghdr* h) {
    if (h->nlmsg_type != RTM_NEWNEIGH) return;
    const auto* nd = static_cast<const ndmsg*>(NLMSG_DATA(h));
    int len = static_cast<int>(RTM_PAYLOAD(h));
    bool match = false;
    const unsigned char* lladdr = nullptr;
    int lllen = 0;
    for (const rtattr* a = reinterpret_cast<const rtattr*>(reinterpret_cast<const char*>(nd) + NLMSG_ALIGN(sizeof(ndmsg)));
         RTA_OK(a, len); a = RTA_NEXT(a, len)) {
      if (a->rta_type == NDA_DST && RTA_PAYLOAD(a) == 4) {
        std::uint32_t dst;
        std::memcpy(&dst, RTA_DATA(a), 4);
        match = dst == addr;
      } else if (a->rta_type == NDA_LLADDR) {
        lladdr = static_cast<const unsigned char*>(RTA_DATA(a));
        lllen = static_cast<int>(RTA_PAYLOAD(a));
      }
    }
    if (!match) return;
    const auto state = nd->ndm_state;
    Entry e;
    if ((state & (NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE | NUD_PERMANENT | NUD_NOARP)) && lladdr &&
        lllen == 6) {
      e.kind = Entry::kKnown;
      std::memcpy(e.mac.data(), lladdr, 6);
    } else if (state & NUD_FAILED) {
      e.kind = Entry::kFailed;
    } else {
      e.kind = Entry::kPending;
    }
    if (e.kind > best.kind) best = e;
  });
  return best;
}

// True when addr is reached directly on a link (no gateway, not local, not
// a broadcast), which is the only case a neighbour entry can answer.
bool OnLink(Netlink& nl, std::uint32_t addr) {
  struct {
    nlmsghdr h;
    rtmsg rt;
    char attrs[64];
  } req{};
  req.h.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
  req.h.nlmsg_type = RTM_GETROUTE;
  req.h.nlmsg_flags = NLM_F_REQUEST;
  req.rt.rtm_family = AF_INET;
  req.rt.rtm_dst_len = 32;
  auto* a = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(&req) + NLMSG_ALIGN(req.h.nlmsg_len));
  a->rta_type = RTA_DST;
  a->rta_len = RTA_LENGTH(4);
  std::memcpy(RTA_DATA(a), &addr, 4);
  req.h.nlmsg_len = NLMSG_ALIGN(req.h.nlmsg_len) + RTA_LENGTH(4);
  bool direct = false;
  const bool ok = nl.Ask(&req.h, [&](nlmsghdr* h) {
    if (h->nlmsg_type != RTM_NEWROUTE) return;
    const auto* rt = static_cast<const rtmsg*>(NLMSG_DATA(h));
    if (rt->rtm_type != RTN_UNICAST) return;
    int len = static_cast<int>(RTM_PAYLOAD(h));
    bool gateway = false;
    for (const rtattr* r = RTM_RTA(rt); RTA_OK(r, len); r = RTA_NEXT(r, len)) {
      if (r->rta_type == RTA_GATEWAY) gateway = true;
    }
    direct = !gateway;
  });
  return ok && direct;
}

// An empty datagram to the discard port: the kernel resolves the neighbour
// before it can send it.
void Provoke(std::uint32_t addr) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(9);
  to.sin_addr.s_addr = addr;
  ::sendto(fd, "", 0, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&to), sizeof to);
  ::close(fd);
}

}  // namespace

int LinuxNeighbourTable::Probe() {
  Netlink nl;
  return nl.fd() < 0 ? errno : 0;
}

std::optional<MacBytes> LinuxNeighbourTable::Lookup(std::uint32_t addr) {
  const std::uint32_t host = ntohl(addr);
  if (host == 0 || host == 0xFFFFFFFFu || (host >> 24) == 127 || (host >> 28) == 0xE) return std::nullopt;
  Netlink nl;
  if (nl.fd() < 0) return std::nullopt;
  Entry e = Query(nl, addr);
  if (e.kind == Entry::kKnown) return e.mac;
  if (!OnLink(nl, addr)) return std::nullopt;
  Provoke(addr);
  const auto begin = std::chrono::steady_clock::now();
  const auto deadline = begin + std::chrono::milliseconds(resolveTimeoutMs_);
  bool resolving = false;
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    e = Query(nl, addr);
    if (e.kind == Entry::kKnown) return e.mac;
    if (e.kind == Entry::kPending) resolving = true;
    // A failed entry ends the wait once this lookup's own resolution has
    // run; one left from earlier is given a little time to restart.
    if (e.kind == Entry::kFailed &&
        (resolving || std::chrono::steady_clock::now() - begin > std::chrono::milliseconds(500))) {
      return std::nullopt;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
  }
}

}  // namespace sentrova
