// Arbitrary bytes as a received ICMP packet (with and without IP header) and
// as MAC text: matching never reads past the end, a reply's echoed size fits
// the packet, and StringToMAC either converts or raises its conversion error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tcpip/icmp.h"
#include "tcpip/icmp_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sentrova;
  EchoKey key;
  key.addr = InetAddr("10.231.2.1");
  key.id = 0x1234;
  key.seq = 7;
  IcmpMatch m = MatchIpPacket(data, size, key);
  if (m.kind == IcmpMatch::kReply && m.dataSize + 28u > size) std::abort();
  if (m.kind == IcmpMatch::kError && m.status == 0) std::abort();
  key.checkId = false;
  m = MatchIcmpMessage(data, size, key.addr, key);
  if (m.kind == IcmpMatch::kReply && m.dataSize + 8u > size) std::abort();
  try {
    TIcmp::StringToMAC(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const MacConvertError&) {
  }
  return 0;
}
