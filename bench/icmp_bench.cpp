#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/icmp_services_linux.h"
#include "settings/params.h"
#include "tcpip/icmp.h"
#include "tcpip/icmp_packet.h"

namespace {

// One ping round trip to this host's loopback (needs the raw socket or a
// ping group range that admits the user).
void BM_LoopbackPing(benchmark::State& state) {
  sentrova::TIcmp icmp(sentrova::MakeLinuxIcmpServices());
  if (!icmp.Active(true)) {
    state.SkipWithError(icmp.ResultText().c_str());
    return;
  }
  icmp.SetIPAddr("127.0.0.1");
  icmp.SetSendBytes(static_cast<short>(state.range(0)));
  icmp.SetTimeOut(1000);
  for (auto _ : state) {
    if (!icmp.Ping()) {
      state.SkipWithError(icmp.ResultText().c_str());
      break;
    }
  }
}
BENCHMARK(BM_LoopbackPing)->Arg(0)->Arg(1024)->UseRealTime();

void BM_NormalizeIP(benchmark::State& state) {
  const std::vector<std::string> texts = {"192.168.1.10", "10.0.0.1", " 172.16.  1.200", "bad.text", ""};
  std::string out;
  for (auto _ : state) {
    for (const std::string& t : texts) benchmark::DoNotOptimize(sentrova::NormalizeIP(t, out));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}
BENCHMARK(BM_NormalizeIP);

void BM_MatchTtlExpired(benchmark::State& state) {
  const std::vector<std::uint8_t> pkt = {
      0x45, 0xc0, 0x00, 0x3c, 0xba, 0xaf, 0x00, 0x00, 0x40, 0x01, 0xa6, 0x85, 0x0a, 0xe7, 0x01, 0xfe,
      0x0a, 0xe7, 0x01, 0x01, 0x0b, 0x00, 0xf4, 0xff, 0x00, 0x00, 0x00, 0x00, 0x45, 0x00, 0x00, 0x20,
      0x20, 0x41, 0x40, 0x00, 0x01, 0x01, 0x40, 0xcd, 0x0a, 0xe7, 0x01, 0x01, 0x0a, 0xe7, 0x02, 0x01,
      0x08, 0x00, 0xe5, 0xc4, 0x12, 0x34, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00};
  sentrova::EchoKey key;
  key.addr = sentrova::InetAddr("10.231.2.1");
  key.id = 0x1234;
  key.seq = 7;
  for (auto _ : state) benchmark::DoNotOptimize(sentrova::MatchIpPacket(pkt.data(), pkt.size(), key));
}
BENCHMARK(BM_MatchTtlExpired);

}  // namespace
