#include "tcpip/icmp_echo.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <random>

#include "tcpip/icmp_packet.h"

namespace sentrova {
namespace {

using Clock = std::chrono::steady_clock;

EchoResult Failed(std::uint32_t error) {
  EchoResult r;
  r.error = error;
  return r;
}

EchoResult Status(std::uint32_t status) {
  EchoResult r;
  r.replied = true;
  r.status = status;
  return r;
}

}  // namespace

void NextEchoIds(std::uint16_t* id, std::uint16_t* seq) {
  static const std::uint16_t base = static_cast<std::uint16_t>(std::random_device{}());
  static std::atomic<std::uint32_t> counter{0};
  const std::uint32_t n = counter.fetch_add(1);
  // A fresh identifier per echo keeps a late reply to an earlier echo from
  // matching this one on a raw socket, which sees every ICMP message.
  *id = static_cast<std::uint16_t>(base + (n >> 16) * 7919u + n);
  *seq = static_cast<std::uint16_t>(n);
}

EchoResult SendEcho(IcmpSocket* socket, int openError, const EchoRequest& request) {
  if (!socket) return Failed(static_cast<std::uint32_t>(openError ? openError : EBADF));
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + std::chrono::milliseconds(request.timeoutMs > 0 ? request.timeoutMs : 0);

  if (int err = socket->Configure(request.ttl, request.tos, request.dontFragment)) {
    return Failed(static_cast<std::uint32_t>(err));
  }
  if (int err = socket->Send(request.addr, BuildEchoRequest(request.id, request.seq, request.dataSize))) {
    if (std::uint32_t status = StatusFromErrno(err)) return Status(status);
    return Failed(static_cast<std::uint32_t>(err));
  }

  EchoKey key;
  key.addr = request.addr;
  key.id = request.id;
  key.seq = request.seq;
  key.checkId = socket->WithIpHeader();
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    const IcmpArrival a = socket->Receive(left > 0 ? static_cast<int>(left) : 0);
    switch (a.kind) {
      case IcmpArrival::kTimeout:
        return Failed(kIpReqTimedOut);
      case IcmpArrival::kFailure:
        if (a.errnoValue == EINTR || a.errnoValue == EAGAIN) continue;
        return Failed(static_cast<std::uint32_t>(a.errnoValue));
      case IcmpArrival::kError: {
        // A datagram socket carries one request, so its error queue holds
        // errors about that request only; the quoted header confirms it.
        if (a.bytes.size() >= 8 &&
            (a.bytes[0] != kIcmpEchoRequest || ((a.bytes[6] << 8) | a.bytes[7]) != request.seq)) {
          continue;
        }
        const std::uint32_t status =
            a.icmpOrigin ? StatusFromIcmpError(a.icmpType, a.icmpCode) : StatusFromErrno(a.errnoValue);
        if (status) return Status(status);
        if (a.icmpOrigin) continue;  // no error of an echo (a redirect, say)
        return Failed(static_cast<std::uint32_t>(a.errnoValue));
      }
      case IcmpArrival::kPacket: {
        const IcmpMatch m = socket->WithIpHeader() ? MatchIpPacket(a.bytes.data(), a.bytes.size(), key)
                                                   : MatchIcmpMessage(a.bytes.data(), a.bytes.size(), a.from, key);
        if (m.kind == IcmpMatch::kError) return Status(m.status);
        if (m.kind != IcmpMatch::kReply) continue;
        EchoResult r;
        r.replied = true;
        r.rttMs = static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
        r.ttl = m.ttl >= 0 ? m.ttl : (a.ttl >= 0 ? a.ttl : 0);
        r.dataSize = m.dataSize;
        return r;
      }
    }
  }
}

}  // namespace sentrova
