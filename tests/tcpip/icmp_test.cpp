#include "tcpip/icmp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "app/manual_dispatcher.h"
#include "support/icmp_fakes.h"
#include "tcpip/icmp_packet.h"

namespace sentrova {
namespace {

using test::FakeIcmp;
using test::Ip;
using test::SentEcho;

// IPv4 header + ICMP message, as a raw socket receives it.
std::vector<std::uint8_t> IpPacket(std::uint32_t src, std::uint32_t dst, std::uint8_t ttl,
                                   const std::vector<std::uint8_t>& icmp) {
  std::vector<std::uint8_t> p(20, 0);
  p[0] = 0x45;
  const std::size_t total = 20 + icmp.size();
  p[2] = static_cast<std::uint8_t>(total >> 8);
  p[3] = static_cast<std::uint8_t>(total);
  p[8] = ttl;
  p[9] = 1;
  std::memcpy(&p[12], &src, 4);
  std::memcpy(&p[16], &dst, 4);
  const std::uint16_t sum = InetChecksum(p.data(), 20);
  p[10] = static_cast<std::uint8_t>(sum >> 8);
  p[11] = static_cast<std::uint8_t>(sum);
  p.insert(p.end(), icmp.begin(), icmp.end());
  return p;
}

// The echo reply to a request, from `from` (the target unless given).
IcmpArrival Reply(const SentEcho& s, std::uint8_t ttl, bool raw = true, std::uint32_t from = 0) {
  std::vector<std::uint8_t> icmp = s.message;
  icmp[0] = kIcmpEchoReply;
  IcmpArrival a;
  a.kind = IcmpArrival::kPacket;
  a.from = from ? from : s.addr;
  if (raw) {
    a.bytes = IpPacket(a.from, Ip("10.0.0.1"), ttl, icmp);
  } else {
    a.bytes = icmp;
    a.ttl = ttl;
  }
  return a;
}

// An ICMP error from `router` quoting the request.
IcmpArrival RawError(const SentEcho& s, std::uint8_t type, std::uint8_t code, std::uint32_t router) {
  std::vector<std::uint8_t> quoted = IpPacket(Ip("10.0.0.1"), s.addr, 1, s.message);
  quoted.resize(28);
  std::vector<std::uint8_t> icmp = {type, code, 0, 0, 0, 0, 0, 0};
  icmp.insert(icmp.end(), quoted.begin(), quoted.end());
  IcmpArrival a;
  a.kind = IcmpArrival::kPacket;
  a.from = router;
  a.bytes = IpPacket(router, Ip("10.0.0.1"), 63, icmp);
  return a;
}

IcmpArrival QueuedError(const SentEcho& s, bool icmp, std::uint8_t type, std::uint8_t code, int err) {
  IcmpArrival a;
  a.kind = IcmpArrival::kError;
  a.bytes = s.message;
  a.icmpOrigin = icmp;
  a.icmpType = type;
  a.icmpCode = code;
  a.errnoValue = err;
  return a;
}

struct StepLog {
  std::vector<std::pair<int, std::string>> steps;
  void Attach(TIcmp& icmp) {
    icmp.SetOnPingStep([this](int n, const std::string& m) { steps.emplace_back(n, m); });
  }
};

TEST(Icmp, DefaultsAndSetters) {
  FakeIcmp f;
  TIcmp& i = *f.icmp;
  EXPECT_EQ(i.GetIPAddr(), "0.0.0.0");
  EXPECT_EQ(i.TimeOut(), 2000);
  EXPECT_EQ(i.TTL(), 128);
  EXPECT_EQ(i.SendBytes(), 0);
  EXPECT_TRUE(i.EX());
  EXPECT_EQ(i.PingMode(), IPCheck);
  EXPECT_FALSE(i.IsActive());
  EXPECT_EQ(i.ResultText(), "");
  for (auto [in, stored] : std::vector<std::pair<short, short>>{{20000, 10240}, {10240, 10240}, {32, 32}, {0, 0}}) {
    i.SetSendBytes(in);
    EXPECT_EQ(i.SendBytes(), stored) << in;
  }
}

TEST(Icmp, SetIPAddrRemovesBlanksAndBadTextGivesAllOnes) {
  FakeIcmp f;
  f.icmp->SetIPAddr("  192.168 . 1.10  ");
  EXPECT_EQ(f.icmp->GetIPAddr(), "192.168.1.10");
  f.icmp->SetIPAddr("pc01");
  EXPECT_EQ(f.icmp->GetIPAddr(), "255.255.255.255");
  f.icmp->SetIPAddr("");
  EXPECT_EQ(f.icmp->GetIPAddr(), "255.255.255.255");
}

TEST(Icmp, ErrorTexts) {
  const std::vector<std::pair<unsigned long, std::string>> cases = {
      {11001, "IP_BUF_TOO_SMALL"},     {11003, "IP_DEST_HOST_UNREACHABLE"},
      {11010, "IP_REQ_TIMED_OUT"},     {11013, "IP_TTL_EXPIRED_TRANSIT"},
      {11034, "IP_DUPLICATE_IPADD"},   {11050, "IP_GENERAL_FAILURE"},
      {11255, "IP_PENDING"},           {87, "ErrorCode = 87"},
      {11035, "ErrorCode = 11035"},    {11000, "ErrorCode = 11000"},
      {4294967295ul, "ErrorCode = 4294967295"},
  };
  for (const auto& [code, text] : cases) EXPECT_EQ(TIcmp::GetErrMsg(code), text) << code;
}

TEST(Icmp, ActivationFailuresLeaveTheirTextAndStayInactive) {
  struct Case {
    int echo, sockets, neighbours;
    const char* text;
  };
  const Case cases[] = {
      {13, 0, 0, "ICMP.DLLのロードに失敗しました。"},
      {0, 24, 0, "Soketの初期化に失敗しました。"},
      {0, 0, 93, "IPHLPAPI.DLLのロードに失敗しました。"},
  };
  for (const Case& c : cases) {
    FakeIcmp f;
    f.echo->probeError = c.echo;
    f.broadcaster->probeError = c.sockets;
    f.neighbours->probeError = c.neighbours;
    f.icmp->SetIPAddr("10.0.0.2");
    EXPECT_FALSE(f.icmp->Ping());
    EXPECT_EQ(f.icmp->ResultText(), c.text);
    EXPECT_FALSE(f.icmp->IsActive());
    EXPECT_TRUE(f.echo->sent.empty());
    // The next use tries again.
    f.echo->probeError = f.broadcaster->probeError = f.neighbours->probeError = 0;
    EXPECT_TRUE(f.icmp->Active(true));
    EXPECT_EQ(f.icmp->ResultText(), "");
    EXPECT_TRUE(f.icmp->Active(false));
    EXPECT_FALSE(f.icmp->IsActive());
  }
}

TEST(Icmp, SuccessfulPingReportsItsStepsAndTheRealReply) {
  FakeIcmp f;
  f.echo->script = [](const SentEcho& s) { return std::vector<IcmpArrival>{Reply(s, 64)}; };
  StepLog log;
  log.Attach(*f.icmp);
  f.icmp->SetIPAddr("192.168.1.10");
  ASSERT_TRUE(f.icmp->Ping());
  EXPECT_TRUE(test::IsPingSummary(f.icmp->ResultText(), 64, 0))
      << f.icmp->ResultText();
  const std::vector<std::pair<int, std::string>> expected = {
      {0, "送信バッファ不要"},  {1, "受信バッファ確保"},   {2, "ICMPファイル作成"},
      {3, "TTL設定 128"},       {4, "ICMP-Flag設定"},      {5, "SendEcho-167880896"},
      {6, "SendEcho成功-Status 0"},
  };
  EXPECT_EQ(log.steps, expected);
  ASSERT_EQ(f.echo->sent.size(), 1u);
  const SentEcho& s = f.echo->sent[0];
  EXPECT_EQ(s.addr, Ip("192.168.1.10"));
  EXPECT_EQ(s.message.size(), 8u);
  EXPECT_EQ(s.message[0], kIcmpEchoRequest);
  EXPECT_EQ(InetChecksum(s.message.data(), s.message.size()), 0);
  EXPECT_EQ(s.ttl, 128);
  EXPECT_EQ(s.tos, 8);
  EXPECT_TRUE(s.dontFragment);
}

TEST(Icmp, DataSizeTtlLowBitsAndNoFlags) {
  FakeIcmp f;
  f.echo->raw = false;  // datagram endpoint: TTL from the control message
  f.echo->script = [](const SentEcho& s) { return std::vector<IcmpArrival>{Reply(s, 57, false)}; };
  StepLog log;
  log.Attach(*f.icmp);
  f.icmp->SetIPAddr("10.1.2.3");
  f.icmp->SetSendBytes(32);
  f.icmp->SetTTL(300);
  f.icmp->SetEX(false);
  ASSERT_TRUE(f.icmp->Ping());
  EXPECT_TRUE(test::IsPingSummary(f.icmp->ResultText(), 57, 32));
  ASSERT_EQ(log.steps.size(), 6u);
  EXPECT_EQ(log.steps[0].second, "送信バッファ確保32");
  EXPECT_EQ(log.steps[3].second, "TTL設定 44");
  EXPECT_EQ(log.steps[4], (std::pair<int, std::string>{5, "SendEcho-50462986"}));
  const SentEcho& s = f.echo->sent.at(0);
  EXPECT_EQ(s.message.size(), 40u);
  for (std::size_t k = 8; k < 40; ++k) EXPECT_EQ(s.message[k], 0) << k;
  EXPECT_EQ(s.ttl, 44);
  EXPECT_EQ(s.tos, 0);
  EXPECT_FALSE(s.dontFragment);
}

TEST(Icmp, NegativeSendBytesSendsNoData) {
  FakeIcmp f;
  f.echo->script = [](const SentEcho& s) { return std::vector<IcmpArrival>{Reply(s, 64)}; };
  StepLog log;
  log.Attach(*f.icmp);
  f.icmp->SetIPAddr("10.0.0.2");
  f.icmp->SetSendBytes(-5);
  EXPECT_TRUE(f.icmp->Ping());
  EXPECT_EQ(log.steps.at(0).second, "送信バッファ不要");
  EXPECT_EQ(f.echo->sent.at(0).message.size(), 8u);
}

TEST(Icmp, RepliesOfOtherPingsAreIgnored) {
  for (bool raw : {true, false}) {
    FakeIcmp f;
    f.echo->raw = raw;
    f.echo->script = [raw](const SentEcho& s) {
      std::vector<IcmpArrival> out;
      out.push_back(Reply(s, 9, raw, Ip("10.0.0.9")));  // another host
      SentEcho other = s;
      other.message[7] ^= 1;  // another sequence
      out.push_back(Reply(other, 9, raw));
      if (raw) {
        other = s;
        other.message[5] ^= 1;  // another identifier
        out.push_back(Reply(other, 9, raw));
        IcmpArrival echoed = Reply(s, 9, raw);
        echoed.bytes[20] = kIcmpEchoRequest;  // our own request, seen on loopback
        out.push_back(echoed);
        out.push_back(RawError(other, kIcmpTimeExceeded, 0, Ip("10.0.0.1")));  // error of another ping
      } else {
        IcmpArrival foreign = QueuedError(s, true, kIcmpDestUnreach, 1, EHOSTUNREACH);
        foreign.bytes[7] ^= 1;
        out.push_back(foreign);
      }
      out.push_back(Reply(s, 61, raw));
      return out;
    };
    f.icmp->SetIPAddr("10.0.0.2");
    EXPECT_TRUE(f.icmp->Ping()) << raw;
    EXPECT_TRUE(test::IsPingSummary(f.icmp->ResultText(), 61, 0)) << raw;
  }
}

TEST(Icmp, SilenceTimesOut) {
  FakeIcmp f;
  StepLog log;
  log.Attach(*f.icmp);
  f.icmp->SetIPAddr("10.0.0.2");
  f.icmp->SetTimeOut(50);
  EXPECT_FALSE(f.icmp->Ping());
  EXPECT_EQ(f.icmp->ResultText(), "IP_REQ_TIMED_OUT");
  EXPECT_EQ(log.steps.back().second, "SendEcho失敗-IP_REQ_TIMED_OUT");
}

TEST(Icmp, IcmpErrorsBecomeTheirStatus) {
  struct Case {
    bool raw;
    bool icmpOrigin;
    std::uint8_t type, code;
    int err;
    const char* text;
  };
  const Case cases[] = {
      {true, true, kIcmpTimeExceeded, 0, 0, "IP_TTL_EXPIRED_TRANSIT"},
      {true, true, kIcmpTimeExceeded, 1, 0, "IP_TTL_EXPIRED_REASSEM"},
      {true, true, kIcmpDestUnreach, 0, 0, "IP_DEST_NET_UNREACHABLE"},
      {true, true, kIcmpDestUnreach, 1, 0, "IP_DEST_HOST_UNREACHABLE"},
      {true, true, kIcmpDestUnreach, 3, 0, "IP_DEST_PORT_UNREACHABLE"},
      {true, true, kIcmpDestUnreach, 4, 0, "IP_PACKET_TOO_BIG"},
      {true, true, kIcmpParamProblem, 0, 0, "IP_PARAM_PROBLEM"},
      {false, true, kIcmpTimeExceeded, 0, EHOSTUNREACH, "IP_TTL_EXPIRED_TRANSIT"},
      {false, true, kIcmpDestUnreach, 1, EHOSTUNREACH, "IP_DEST_HOST_UNREACHABLE"},
      {false, true, kIcmpDestUnreach, 0, ENETUNREACH, "IP_DEST_NET_UNREACHABLE"},
      {false, false, 0, 0, EMSGSIZE, "IP_PACKET_TOO_BIG"},
      {false, false, 0, 0, ENOBUFS, "ErrorCode = 105"},
  };
  for (const Case& c : cases) {
    FakeIcmp f;
    f.echo->raw = c.raw;
    StepLog log;
    log.Attach(*f.icmp);
    f.echo->script = [&c](const SentEcho& s) {
      return std::vector<IcmpArrival>{c.raw ? RawError(s, c.type, c.code, Ip("10.9.9.1"))
                                            : QueuedError(s, c.icmpOrigin, c.type, c.code, c.err)};
    };
    f.icmp->SetIPAddr("10.0.0.2");
    EXPECT_FALSE(f.icmp->Ping());
    EXPECT_EQ(f.icmp->ResultText(), c.text) << int(c.type) << "/" << int(c.code) << "/" << c.err;
  }
}

TEST(Icmp, SystemErrorsGiveTheirCode) {
  struct Case {
    int open, configure, send;
    const char* text;
    const char* step;
  };
  const Case cases[] = {
      {EACCES, 0, 0, "ErrorCode = 13", "SendEcho失敗-ErrorCode = 13"},
      {0, EINVAL, 0, "ErrorCode = 22", "SendEcho失敗-ErrorCode = 22"},
      {0, 0, EPERM, "ErrorCode = 1", "SendEcho失敗-ErrorCode = 1"},
      {0, 0, ENETUNREACH, "IP_DEST_NET_UNREACHABLE", "SendEcho成功-Status 11002"},
      {0, 0, EHOSTUNREACH, "IP_DEST_HOST_UNREACHABLE", "SendEcho成功-Status 11003"},
  };
  for (const Case& c : cases) {
    FakeIcmp f;
    f.echo->openError = c.open;
    f.echo->configureError = c.configure;
    f.echo->sendError = c.send;
    StepLog log;
    log.Attach(*f.icmp);
    f.icmp->SetIPAddr("10.0.0.2");
    EXPECT_FALSE(f.icmp->Ping());
    EXPECT_EQ(f.icmp->ResultText(), c.text);
    EXPECT_EQ(log.steps.back().second, c.step);
    EXPECT_EQ(log.steps.at(2).second, "ICMPファイル作成");  // the handle is not tested
  }
}

TEST(Icmp, NameCheckResolvesFirst) {
  FakeIcmp f;
  f.echo->script = [](const SentEcho& s) { return std::vector<IcmpArrival>{Reply(s, 64)}; };
  f.resolver->addresses["pc01"] = Ip("10.0.0.7");
  f.icmp->SetPingMode(NameCheck);
  EXPECT_FALSE(f.icmp->Ping());  // empty HostName
  EXPECT_EQ(f.icmp->ResultText(), "コンピュータ名を指定して下さい。");
  EXPECT_TRUE(f.echo->sent.empty());
  EXPECT_EQ(f.resolver->Calls(), 0);

  f.icmp->SetHostName("pc99");
  EXPECT_FALSE(f.icmp->Ping());
  EXPECT_EQ(f.icmp->ResultText(), "IPアドレスを取得できませんでした。");
  EXPECT_TRUE(f.echo->sent.empty());

  f.icmp->SetHostName("pc01");
  EXPECT_TRUE(f.icmp->Ping());
  EXPECT_EQ(f.echo->sent.at(0).addr, Ip("10.0.0.7"));
  EXPECT_EQ(f.icmp->GetIPAddr(), "10.0.0.7");
}

TEST(Icmp, NameLookupsBothWays) {
  FakeIcmp f;
  TIcmp& i = *f.icmp;
  f.resolver->addresses["pc01"] = Ip("10.0.0.7");
  f.resolver->names[Ip("10.0.0.7")] = "pc01.example";

  i.SetIPAddr("10.0.0.1");
  EXPECT_TRUE(i.GetNameByIP("10.0.0.7"));
  EXPECT_EQ(i.HostName(), "pc01.example");
  EXPECT_EQ(i.GetIPAddr(), "10.0.0.1");  // not changed by a reverse lookup
  EXPECT_TRUE(i.IsActive());

  f.resolver->failure = 11004;
  EXPECT_FALSE(i.GetNameByIP("10.0.0.8"));
  EXPECT_EQ(i.ResultText(), "ホスト名の取得に失敗しました。11004");
  EXPECT_EQ(i.HostName(), "pc01.example");

  EXPECT_TRUE(i.GetIPByName("pc01"));
  EXPECT_EQ(i.ResultText(), "");  // the earlier error is gone
  EXPECT_EQ(i.GetIPAddr(), "10.0.0.7");

  EXPECT_FALSE(i.GetIPByName("pc02"));
  EXPECT_EQ(i.ResultText(), "IPアドレスを取得できませんでした。");
  EXPECT_EQ(i.GetIPAddr(), "10.0.0.7");

  const int calls = f.resolver->Calls();
  EXPECT_FALSE(i.GetIPByName(""));
  EXPECT_EQ(i.ResultText(), "コンピュータ名を指定して下さい。");
  EXPECT_EQ(f.resolver->Calls(), calls);
}

TEST(Icmp, AsyncLookupCompletesOnTheMainThread) {
  ManualDispatcher d;
  FakeIcmp f(&d);
  TIcmp& i = *f.icmp;
  f.resolver->addresses["pc01"] = Ip("10.0.0.7");
  struct Seen {
    std::uint32_t host;
    std::string text;
    int err;
    std::thread::id thread;
  };
  std::vector<Seen> seen;
  i.SetOnReceiveIP([&](TIcmp& sender, std::uint32_t host, const std::string& text, int err) {
    EXPECT_EQ(&sender, &i);
    seen.push_back({host, text, err, std::this_thread::get_id()});
  });

  f.resolver->Hold();
  ASSERT_TRUE(i.AsyncGetIPByName("pc01"));
  EXPECT_FALSE(i.AsyncGetIPByName("pc01"));
  EXPECT_EQ(i.ResultText(), "現在IPアドレスを問い合わせ中です。");
  f.resolver->Release();
  ASSERT_TRUE(d.WaitForPending(std::chrono::seconds(10)));
  d.ProcessPending();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].host, Ip("10.0.0.7"));
  EXPECT_EQ(seen[0].text, "10.0.0.7");
  EXPECT_EQ(seen[0].err, 0);
  EXPECT_EQ(seen[0].thread, std::this_thread::get_id());
  EXPECT_EQ(i.GetIPAddr(), "10.0.0.7");

  // A failed lookup keeps the address and reports the code.
  ASSERT_TRUE(i.AsyncGetIPByName("pc02"));
  ASSERT_TRUE(d.WaitForPending(std::chrono::seconds(10)));
  d.ProcessPending();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].err, 11001);
  EXPECT_EQ(seen[1].text, "10.0.0.7");
  EXPECT_EQ(i.ResultText(), "IPアドレスを取得できませんでした。");
}

TEST(Icmp, AsyncLookupRefusalsAndCancel) {
  ManualDispatcher d;
  FakeIcmp f(&d);
  TIcmp& i = *f.icmp;
  f.resolver->addresses["pc01"] = Ip("10.0.0.7");
  int completions = 0;
  i.SetOnReceiveIP([&](TIcmp&, std::uint32_t, const std::string&, int) { ++completions; });

  EXPECT_FALSE(i.AsyncGetIPByName(""));
  EXPECT_EQ(i.ResultText(), "コンピュータ名を指定して下さい。");
  EXPECT_FALSE(i.AsyncGetCancel());
  EXPECT_EQ(i.ResultText(), "現在、非同期ホストIP取得をしていません。");

  f.resolver->Hold();
  ASSERT_TRUE(i.AsyncGetIPByName("pc01"));
  EXPECT_TRUE(i.AsyncGetCancel());
  EXPECT_EQ(i.ResultText(), "");
  ASSERT_TRUE(i.AsyncGetIPByName("pc01"));  // accepted again after the cancel
  f.resolver->Release();
  ASSERT_TRUE(d.WaitForPending(std::chrono::seconds(10)));
  // Wait until both workers have answered, then deliver.
  while (f.resolver->Calls() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  d.ProcessPending();
  EXPECT_EQ(completions, 1);  // the cancelled lookup delivers nothing

  // Cancelling after the answer is on its way fails; the answer still comes.
  ASSERT_TRUE(i.AsyncGetIPByName("pc01"));
  ASSERT_TRUE(d.WaitForPending(std::chrono::seconds(10)));
  EXPECT_FALSE(i.AsyncGetCancel());
  EXPECT_EQ(i.ResultText(), "非同期ホストIP取得のキャンセルに失敗しました。");
  d.ProcessPending();
  EXPECT_EQ(completions, 2);
}

TEST(Icmp, AsyncLookupWithoutDispatcherIsRefusedSilently) {
  FakeIcmp f;
  EXPECT_FALSE(f.icmp->AsyncGetIPByName("pc01"));
  EXPECT_EQ(f.icmp->ResultText(), "");
}

TEST(Icmp, CompletionAfterTheComponentIsGoneIsDropped) {
  ManualDispatcher d;
  {
    FakeIcmp f(&d);
    f.resolver->addresses["pc01"] = Ip("10.0.0.7");
    ASSERT_TRUE(f.icmp->AsyncGetIPByName("pc01"));
    ASSERT_TRUE(d.WaitForPending(std::chrono::seconds(10)));
  }
  d.ProcessPending();  // must not touch the destroyed component
  SUCCEED();
}

TEST(Icmp, MacAddressFromTheNeighbourTable) {
  FakeIcmp f;
  f.neighbours->table[Ip("10.0.0.7")] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
  f.icmp->SetIPAddr("10.0.0.7");
  EXPECT_EQ(f.icmp->GetMACAddr(), "");  // not active: no lookup
  EXPECT_TRUE(f.neighbours->asked.empty());
  ASSERT_TRUE(f.icmp->Active(true));
  f.icmp->SetIPAddr("10.0.0.7");
  EXPECT_EQ(f.icmp->GetMACAddr(), "00:1A:2B:3C:4D:5E");
  f.icmp->SetIPAddr("10.0.0.8");
  EXPECT_EQ(f.icmp->GetMACAddr(), "");
}

TEST(Icmp, StringToMac) {
  const MacBytes expected = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
  EXPECT_EQ(TIcmp::StringToMAC("00:1a:2B:3c:4D:5e"), expected);
  EXPECT_EQ(TIcmp::StringToMAC("00:1a:2B:3c:4D:5e:"), expected);
  EXPECT_EQ(TIcmp::StringToMAC("0:1A:2b:3C:4d:0000005E"), expected);
  EXPECT_EQ(TIcmp::StringToMAC("100:11A:2B:3C:4D:5E"), expected);  // low 8 bits
  for (const char* bad : {"00-11-22-33-44-55", "1 :2:3:4:5:6", "00:11::33:44:55", ":00:11:22:33:44", "",
                          "00:11:22:33:44", "00:11:22:33:44:55:66", "00:11:22:33:44:55::", "0x1:2:3:4:5:6",
                          "123456789:2:3:4:5:6", "00:11:22:33:44:5g", " 00:11:22:33:44:55"}) {
    EXPECT_THROW(TIcmp::StringToMAC(bad), MacConvertError) << bad;
  }
}

TEST(Icmp, WakeOnLanBroadcastsTheMagicPacket) {
  FakeIcmp f;
  f.icmp->WakeOnLan({0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
  ASSERT_EQ(f.broadcaster->sent.size(), 1u);
  EXPECT_EQ(f.broadcaster->sent[0].port, 9001);
  const std::vector<std::uint8_t>& p = f.broadcaster->sent[0].payload;
  ASSERT_EQ(p.size(), 102u);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(p[k], 0xFF);
  for (int r = 0; r < 16; ++r) {
    for (int k = 0; k < 6; ++k) EXPECT_EQ(p[6 + r * 6 + k], 0x11 * k) << r << "/" << k;
  }
  EXPECT_EQ(f.icmp->ResultText(), "");
  EXPECT_EQ(f.icmp->GetIPAddr(), "0.0.0.0");
}

TEST(Icmp, TwoThreadsNeverSeeEachOthersResult) {
  FakeIcmp f;
  f.echo->script = [](const SentEcho& s) { return std::vector<IcmpArrival>{Reply(s, 64)}; };
  f.resolver->failure = 11001;
  std::atomic<int> wrong{0};
  std::thread checker([&] {
    for (int k = 0; k < 300; ++k) {
      auto hold = f.icmp->Hold();
      f.icmp->SetIPAddr("10.0.0.2");
      const bool ok = f.icmp->Ping();
      const std::string text = f.icmp->ResultText();
      if (!ok || text.find("TTL:64") == std::string::npos) ++wrong;
    }
  });
  for (int k = 0; k < 300; ++k) {
    auto hold = f.icmp->Hold();
    const bool ok = f.icmp->GetNameByIP("10.0.0.3");
    if (ok || f.icmp->ResultText() != "ホスト名の取得に失敗しました。11001") ++wrong;
  }
  checker.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace sentrova
