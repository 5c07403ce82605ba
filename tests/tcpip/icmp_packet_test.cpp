#include "tcpip/icmp_packet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tcpip/icmp.h"
#include "tcpip/icmp_echo.h"

namespace sentrova {
namespace {

std::vector<std::uint8_t> Hex(const std::string& hex) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// Recorded on namespace test hosts with a raw socket at 10.231.1.1: echo
// requests with identifier 0x1234 and sequence 7, through the router
// 10.231.1.254.
// Reply of 10.231.2.1 (one hop away) to a request with 4 data bytes.
const std::vector<std::uint8_t> kReply =
    Hex("45000020eb5f00003f0177ae0ae702010ae701010000edc41234000700000000");
// Time exceeded from the router for a request to 10.231.2.1 sent with TTL 1.
const std::vector<std::uint8_t> kTtlExpired = Hex(
    "45c0003cbaaf00004001a6850ae701fe0ae701010b00f4ff000000004500002020414000010140cd0ae701010ae702010800e5c412340007"
    "00000000");
// Host unreachable from the router for a request to 10.231.3.5.
const std::vector<std::uint8_t> kHostUnreachable =
    Hex("45c00038bab000004001a6880ae701fe0ae701010301fcfe000000004500001c0fc74000400111470ae701010ae703050800e5c4123400"
        "07");

EchoKey Key(const char* addr, std::uint16_t id = 0x1234, std::uint16_t seq = 7) {
  EchoKey k;
  k.addr = InetAddr(addr);
  k.id = id;
  k.seq = seq;
  return k;
}

TEST(IcmpPacket, Checksum) {
  // The example of RFC 1071.
  const std::vector<std::uint8_t> data = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
  EXPECT_EQ(InetChecksum(data.data(), data.size()), 0x220d);
  const std::vector<std::uint8_t> odd = {0x01};
  EXPECT_EQ(InetChecksum(odd.data(), 1), 0xfeff);
  for (std::size_t size : {0u, 3u, 32u}) {
    const std::vector<std::uint8_t> req = BuildEchoRequest(0xBEEF, 0x0102, size);
    ASSERT_EQ(req.size(), 8 + size);
    EXPECT_EQ(req[0], kIcmpEchoRequest);
    EXPECT_EQ(req[4], 0xBE);
    EXPECT_EQ(req[7], 0x02);
    EXPECT_EQ(InetChecksum(req.data(), req.size()), 0);
  }
  // The recorded reply carries a request built the same way (4 data bytes).
  const std::vector<std::uint8_t> sent = BuildEchoRequest(0x1234, 7, 4);
  EXPECT_EQ(sent[2], 0xe5);
  EXPECT_EQ(sent[3], 0xc4);
}

TEST(IcmpPacket, RecordedPacketsMatchTheirRequest) {
  IcmpMatch m = MatchIpPacket(kReply.data(), kReply.size(), Key("10.231.2.1"));
  EXPECT_EQ(m.kind, IcmpMatch::kReply);
  EXPECT_EQ(m.ttl, 63);
  EXPECT_EQ(m.dataSize, 4);

  m = MatchIpPacket(kTtlExpired.data(), kTtlExpired.size(), Key("10.231.2.1"));
  EXPECT_EQ(m.kind, IcmpMatch::kError);
  EXPECT_EQ(m.status, kIpTtlExpiredTransit);

  m = MatchIpPacket(kHostUnreachable.data(), kHostUnreachable.size(), Key("10.231.3.5"));
  EXPECT_EQ(m.kind, IcmpMatch::kError);
  EXPECT_EQ(m.status, kIpDestHostUnreachable);
}

TEST(IcmpPacket, RecordedPacketsOfOtherRequestsAreForeign) {
  for (const auto* pkt : {&kReply, &kTtlExpired}) {
    for (const EchoKey& k : {Key("10.231.2.1", 0x1235), Key("10.231.2.1", 0x1234, 8), Key("10.231.2.2")}) {
      EXPECT_EQ(MatchIpPacket(pkt->data(), pkt->size(), k).kind, IcmpMatch::kForeign);
    }
  }
  // On a datagram socket the kernel owns the identifier: only the sequence counts.
  EchoKey k = Key("10.231.2.1", 0x9999);
  k.checkId = false;
  EXPECT_EQ(MatchIcmpMessage(kReply.data() + 20, kReply.size() - 20, InetAddr("10.231.2.1"), k).kind,
            IcmpMatch::kReply);
  // Every shorter piece of a packet is foreign, never read past its end.
  for (const auto* pkt : {&kReply, &kTtlExpired, &kHostUnreachable}) {
    for (std::size_t n = 0; n < 28; ++n) {
      EXPECT_EQ(MatchIpPacket(pkt->data(), n, Key("10.231.2.1")).kind, IcmpMatch::kForeign) << n;
    }
  }
  const std::size_t quoteEnd = kTtlExpired.size() - 4;  // the quoted header ends 4 data bytes early
  EXPECT_EQ(MatchIpPacket(kTtlExpired.data(), quoteEnd - 1, Key("10.231.2.1")).kind, IcmpMatch::kForeign);
  EXPECT_EQ(MatchIpPacket(kTtlExpired.data(), quoteEnd, Key("10.231.2.1")).kind, IcmpMatch::kError);
}

TEST(IcmpPacket, ErrorStatuses) {
  struct Case {
    std::uint8_t type, code;
    std::uint32_t status;
  };
  const Case cases[] = {
      {3, 0, kIpDestNetUnreachable},  {3, 1, kIpDestHostUnreachable}, {3, 2, kIpDestProtUnreachable},
      {3, 3, kIpDestPortUnreachable}, {3, 4, kIpPacketTooBig},        {3, 5, kIpBadRoute},
      {3, 6, kIpDestNetUnreachable},  {3, 7, kIpDestHostUnreachable}, {3, 13, kIpDestHostUnreachable},
      {11, 0, kIpTtlExpiredTransit},  {11, 1, kIpTtlExpiredReassem},  {12, 0, kIpParamProblem},
      {4, 0, kIpSourceQuench},        {5, 1, 0},                      {0, 0, 0},
      {8, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(StatusFromIcmpError(c.type, c.code), c.status) << int(c.type) << "/" << int(c.code);
}

// A socket that replays recorded packets.
class ReplaySocket : public IcmpSocket {
 public:
  explicit ReplaySocket(std::vector<std::vector<std::uint8_t>> packets) : packets_(std::move(packets)) {}
  bool WithIpHeader() const override { return true; }
  int Configure(std::uint8_t, std::uint8_t, bool) override { return 0; }
  int Send(std::uint32_t, const std::vector<std::uint8_t>&) override { return 0; }
  IcmpArrival Receive(int) override {
    IcmpArrival a;
    if (next_ < packets_.size()) {
      a.kind = IcmpArrival::kPacket;
      a.bytes = packets_[next_++];
    }
    return a;
  }

 private:
  std::vector<std::vector<std::uint8_t>> packets_;
  std::size_t next_ = 0;
};

TEST(IcmpPacket, EchoExchangeOverRecordedPackets) {
  EchoRequest req;
  req.addr = InetAddr("10.231.2.1");
  req.id = 0x1234;
  req.seq = 7;
  req.dataSize = 4;
  {
    ReplaySocket s({kHostUnreachable, kReply});  // an error of another target first
    const EchoResult r = SendEcho(&s, 0, req);
    EXPECT_TRUE(r.replied);
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.ttl, 63);
    EXPECT_EQ(r.dataSize, 4);
  }
  {
    ReplaySocket s({kTtlExpired});
    const EchoResult r = SendEcho(&s, 0, req);
    EXPECT_TRUE(r.replied);
    EXPECT_EQ(r.status, kIpTtlExpiredTransit);
  }
  {
    req.seq = 8;
    ReplaySocket s({kTtlExpired, kReply});
    const EchoResult r = SendEcho(&s, 0, req);
    EXPECT_FALSE(r.replied);
    EXPECT_EQ(r.error, kIpReqTimedOut);
  }
}

}  // namespace
}  // namespace sentrova
