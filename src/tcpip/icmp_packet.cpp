#include "tcpip/icmp_packet.h"

#include <cerrno>
#include <cstring>

namespace sentrova {
namespace {

std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

// Network-order address held in a uint32 the way the socket calls hold it.
std::uint32_t Addr(const std::uint8_t* p) {
  std::uint32_t a;
  std::memcpy(&a, p, 4);
  return a;
}

// The echo request quoted inside an ICMP error: IP header, then at least the
// 8-byte ICMP header.
bool QuotesRequest(const std::uint8_t* ip, std::size_t size, const EchoKey& key) {
  if (size < 20 || (ip[0] >> 4) != 4) return false;
  const std::size_t ihl = static_cast<std::size_t>(ip[0] & 0x0F) * 4;
  if (ihl < 20 || size < ihl + 8) return false;
  if (ip[9] != 1 || Addr(ip + 16) != key.addr) return false;
  const std::uint8_t* icmp = ip + ihl;
  if (icmp[0] != kIcmpEchoRequest) return false;
  if (key.checkId && Be16(icmp + 4) != key.id) return false;
  return Be16(icmp + 6) == key.seq;
}

}  // namespace

std::uint16_t InetChecksum(const std::uint8_t* data, std::size_t size) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < size; i += 2) sum += Be16(data + i);
  if (size % 2) sum += static_cast<std::uint32_t>(data[size - 1]) << 8;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum);
}

std::vector<std::uint8_t> BuildEchoRequest(std::uint16_t id, std::uint16_t seq, std::size_t dataSize) {
  std::vector<std::uint8_t> msg(8 + dataSize, 0);
  msg[0] = kIcmpEchoRequest;
  msg[4] = static_cast<std::uint8_t>(id >> 8);
  msg[5] = static_cast<std::uint8_t>(id);
  msg[6] = static_cast<std::uint8_t>(seq >> 8);
  msg[7] = static_cast<std::uint8_t>(seq);
  const std::uint16_t sum = InetChecksum(msg.data(), msg.size());
  msg[2] = static_cast<std::uint8_t>(sum >> 8);
  msg[3] = static_cast<std::uint8_t>(sum);
  return msg;
}

std::uint32_t StatusFromIcmpError(std::uint8_t type, std::uint8_t code) {
  switch (type) {
    case kIcmpDestUnreach:
      switch (code) {
        case 0:   // network unreachable
        case 6:   // network unknown
        case 9:   // network administratively prohibited
        case 11:  // network unreachable for the type of service
          return kIpDestNetUnreachable;
        case 2:
          return kIpDestProtUnreachable;
        case 3:
          return kIpDestPortUnreachable;
        case 4:  // fragmentation needed but don't-fragment set
          return kIpPacketTooBig;
        case 5:  // source route failed
          return kIpBadRoute;
        default:  // host unreachable, unknown, prohibited, filtered, ...
          return kIpDestHostUnreachable;
      }
    case kIcmpTimeExceeded:
      return code == 1 ? kIpTtlExpiredReassem : kIpTtlExpiredTransit;
    case kIcmpParamProblem:
      return kIpParamProblem;
    case kIcmpSourceQuench:
      return kIpSourceQuench;
    default:
      return 0;
  }
}

std::uint32_t StatusFromErrno(int err) {
  switch (err) {
    case ENETUNREACH:
      return kIpDestNetUnreachable;
    case EHOSTUNREACH:
    case EHOSTDOWN:
      return kIpDestHostUnreachable;
    case EPROTO:
      return kIpDestProtUnreachable;
    case ECONNREFUSED:
      return kIpDestPortUnreachable;
    case EMSGSIZE:
      return kIpPacketTooBig;
    default:
      return 0;
  }
}

IcmpMatch MatchIpPacket(const std::uint8_t* pkt, std::size_t size, const EchoKey& key) {
  IcmpMatch m;
  if (size < 20 || (pkt[0] >> 4) != 4 || pkt[9] != 1) return m;
  const std::size_t ihl = static_cast<std::size_t>(pkt[0] & 0x0F) * 4;
  if (ihl < 20 || size < ihl + 8) return m;
  m = MatchIcmpMessage(pkt + ihl, size - ihl, Addr(pkt + 12), key);
  if (m.kind == IcmpMatch::kReply) m.ttl = pkt[8];
  return m;
}

IcmpMatch MatchIcmpMessage(const std::uint8_t* msg, std::size_t size, std::uint32_t from, const EchoKey& key) {
  IcmpMatch m;
  if (size < 8) return m;
  const std::uint8_t type = msg[0];
  if (type == kIcmpEchoReply) {
    if (from != key.addr) return m;
    if (key.checkId && Be16(msg + 4) != key.id) return m;
    if (Be16(msg + 6) != key.seq) return m;
    m.kind = IcmpMatch::kReply;
    m.dataSize = static_cast<std::uint16_t>(size - 8);
    return m;
  }
  const std::uint32_t status = StatusFromIcmpError(type, msg[1]);
  if (status == 0 || !QuotesRequest(msg + 8, size - 8, key)) return m;
  m.kind = IcmpMatch::kError;
  m.status = status;
  return m;
}

}  // namespace sentrova
