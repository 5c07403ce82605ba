// ICMP echo messages and the IPv4 packets around them: building a request,
// recognising the reply or error that answers it, and the IP status code an
// ICMP error stands for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sentrova {

// IP status codes of the echo service (the codes GetErrMsg knows).
enum IpStatus : std::uint32_t {
  kIpSuccess = 0,
  kIpBufTooSmall = 11001,
  kIpDestNetUnreachable = 11002,
  kIpDestHostUnreachable = 11003,
  kIpDestProtUnreachable = 11004,
  kIpDestPortUnreachable = 11005,
  kIpNoResources = 11006,
  kIpBadOption = 11007,
  kIpHwError = 11008,
  kIpPacketTooBig = 11009,
  kIpReqTimedOut = 11010,
  kIpBadReq = 11011,
  kIpBadRoute = 11012,
  kIpTtlExpiredTransit = 11013,
  kIpTtlExpiredReassem = 11014,
  kIpParamProblem = 11015,
  kIpSourceQuench = 11016,
  kIpGeneralFailure = 11050,
};

inline constexpr std::uint8_t kIcmpEchoReply = 0;
inline constexpr std::uint8_t kIcmpDestUnreach = 3;
inline constexpr std::uint8_t kIcmpSourceQuench = 4;
inline constexpr std::uint8_t kIcmpEchoRequest = 8;
inline constexpr std::uint8_t kIcmpTimeExceeded = 11;
inline constexpr std::uint8_t kIcmpParamProblem = 12;

// The Internet checksum (one's complement sum of 16-bit words).
std::uint16_t InetChecksum(const std::uint8_t* data, std::size_t size);

// An echo request: 8-byte header then `dataSize` zero bytes.
std::vector<std::uint8_t> BuildEchoRequest(std::uint16_t id, std::uint16_t seq, std::size_t dataSize);

// The IP status an ICMP error (type, code) stands for; 0 when the message is
// no error of an echo request (echo reply, redirect, ...).
std::uint32_t StatusFromIcmpError(std::uint8_t type, std::uint8_t code);

// The IP status of a failure the local stack reports by errno (a failed send,
// or a local entry in the socket's error queue); 0 when the errno is a plain
// system error with no status of its own.
std::uint32_t StatusFromErrno(int err);

// What a received message means for one outstanding echo request.
struct IcmpMatch {
  enum Kind { kForeign, kReply, kError } kind = kForeign;
  std::uint32_t status = 0;    // kError: the IP status
  std::uint16_t dataSize = 0;  // kReply: bytes of echoed data
  int ttl = -1;                // kReply from a packet with IP header: its TTL
};

// The request a message is matched against. `addr` is the target in network
// byte order. `checkId` is false on a datagram socket, where the kernel owns
// the identifier and delivers only replies to this socket.
struct EchoKey {
  std::uint32_t addr = 0;
  std::uint16_t id = 0;
  std::uint16_t seq = 0;
  bool checkId = true;
};

// A whole IPv4 packet carrying ICMP (what a raw socket receives).
IcmpMatch MatchIpPacket(const std::uint8_t* pkt, std::size_t size, const EchoKey& key);

// An ICMP message without IP header (what a datagram socket receives), from
// the address `from` (network byte order).
IcmpMatch MatchIcmpMessage(const std::uint8_t* msg, std::size_t size, std::uint32_t from, const EchoKey& key);

}  // namespace sentrova
