// One ICMP echo exchange over an IcmpSocket: send the request, then wait for
// the reply or error that answers it, ignoring everything else, until the
// time is up. The outcome has the shape of the system's echo call: either a
// reply record (status, round trip, TTL, echoed size) or a failure code.
#pragma once

#include <cstdint>

#include "tcpip/icmp_services.h"

namespace sentrova {

struct EchoRequest {
  std::uint32_t addr = 0;  // network byte order
  std::uint16_t id = 0;
  std::uint16_t seq = 0;
  std::uint16_t dataSize = 0;
  std::uint8_t ttl = 128;
  std::uint8_t tos = 0;
  bool dontFragment = false;
  int timeoutMs = 2000;
};

struct EchoResult {
  // True when a reply record came back (status 0 or an ICMP error's status);
  // false when the call failed with `error`: 11010 when nothing answered in
  // time, else an errno.
  bool replied = false;
  std::uint32_t error = 0;
  std::uint32_t status = 0;
  std::uint32_t rttMs = 0;
  int ttl = 0;
  std::uint16_t dataSize = 0;
};

// `socket` may be null (it could not be opened): the result is then the
// failure `openError`.
EchoResult SendEcho(IcmpSocket* socket, int openError, const EchoRequest& request);

// Identifier and sequence number for the next echo of this process.
void NextEchoIds(std::uint16_t* id, std::uint16_t* seq);

}  // namespace sentrova
