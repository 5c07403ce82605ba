// The ICMP component against real hosts: network namespaces joined by veth
// pairs. Nothing leaves these namespaces.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "app/manual_dispatcher.h"
#include "app/term_list.h"
#include "settings/text.h"
#include "netns/netns_lab.h"
#include "platform/icmp_services_linux.h"
#include "platform/neighbour_linux.h"
#include "platform/resolver_linux.h"
#include "platform/udp_broadcast_linux.h"
#include "tcpip/icmp.h"
#include "tcpip/icmp_commands.h"
#include "support/icmp_fakes.h"

namespace sentrova {
namespace {

using test::NetnsLab;

constexpr const char* kWidePingRange = "0 2147483647";
constexpr const char* kClosedPingRange = "1 0";

// A component whose echo transport stays reachable for questions.
struct Icmp {
  LinuxIcmpTransport* transport;
  std::unique_ptr<TIcmp> icmp;
  explicit Icmp(IcmpSocketKind kind, Dispatcher* dispatcher = nullptr) {
    IcmpServices s = MakeLinuxIcmpServices(kind);
    transport = static_cast<LinuxIcmpTransport*>(s.echo.get());
    icmp = std::make_unique<TIcmp>(std::move(s), dispatcher);
  }
  TIcmp* operator->() { return icmp.get(); }
};

class IcmpNetns : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = test::NetnsUnavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    lab_ = std::make_unique<NetnsLab>();
  }
  // client 10.231.1.1 -- peer 10.231.1.2
  void TwoHosts() {
    client_ = lab_->Add("c");
    peer_ = lab_->Add("p");
    lab_->Link(client_, "10.231.1.1/24", peer_, "10.231.1.2/24");
  }
  // client 10.231.1.1 -- router 10.231.1.254 | 10.231.2.254 -- server 10.231.2.1
  void Routed() {
    client_ = lab_->Add("c");
    router_ = lab_->Add("r");
    server_ = lab_->Add("s");
    lab_->Link(client_, "10.231.1.1/24", router_, "10.231.1.254/24");
    lab_->Link(router_, "10.231.2.254/24", server_, "10.231.2.1/24");
    lab_->Ip(client_, {"route", "add", "default", "via", "10.231.1.254"});
    lab_->Ip(server_, {"route", "add", "default", "via", "10.231.2.254"});
    lab_->Sysctl(router_, "net/ipv4/ip_forward", "1");
    // ICMP errors the router makes itself are not rate-limited. (Errors of
    // its routes keep their own per-source budget, a burst of five.)
    lab_->Sysctl(router_, "net/ipv4/icmp_ratemask", "0");
    // An address the router refuses as unreachable; anything else outside
    // its two networks has no route there at all.
    lab_->Ip(router_, {"route", "add", "unreachable", "10.231.3.5/32"});
  }

  std::unique_ptr<NetnsLab> lab_;
  std::string client_, peer_, router_, server_;
};

struct Transport {
  const char* name;
  const char* pingRange;
  IcmpSocketKind used;
};
const Transport kTransports[] = {
    {"datagram", kWidePingRange, IcmpSocketKind::kDatagram},
    {"raw", kClosedPingRange, IcmpSocketKind::kRaw},
};

TEST_F(IcmpNetns, PingALiveHostOverBothTransports) {
  TwoHosts();
  lab_->Sysctl(peer_, "net/ipv4/ip_default_ttl", "77");
  for (const Transport& t : kTransports) {
    SCOPED_TRACE(t.name);
    lab_->Sysctl(client_, "net/ipv4/ping_group_range", t.pingRange);
    lab_->Run(client_, [&] {
      Icmp i(IcmpSocketKind::kAuto);
      std::vector<std::string> steps;
      i->SetOnPingStep([&](int, const std::string& m) { steps.push_back(m); });
      i->SetIPAddr("10.231.1.2");
      for (short bytes : {0, 32, 1400}) {
        i->SetSendBytes(bytes);
        ASSERT_TRUE(i->Ping()) << i->ResultText();
        EXPECT_TRUE(test::IsPingSummary(i->ResultText(), 77, bytes))
            << i->ResultText();
        EXPECT_EQ(steps.back(), "SendEcho成功-Status 0");
      }
      // Larger than the link: refused with don't-fragment, fragmented without.
      i->SetSendBytes(10240);
      EXPECT_FALSE(i->Ping());
      EXPECT_EQ(i->ResultText(), "IP_PACKET_TOO_BIG");
      i->SetEX(false);
      ASSERT_TRUE(i->Ping()) << i->ResultText();
      EXPECT_TRUE(test::IsPingSummary(i->ResultText(), 77, 10240))
          << i->ResultText();
      EXPECT_EQ(i.transport->LastKind(), t.used);
      i->SetIPAddr("127.0.0.1");
      EXPECT_TRUE(i->Ping()) << i->ResultText();
    });
  }
}

TEST_F(IcmpNetns, DatagramOnlyIsRefusedOutsideThePingGroupRange) {
  TwoHosts();
  lab_->Sysctl(client_, "net/ipv4/ping_group_range", kClosedPingRange);
  lab_->Run(client_, [&] {
    Icmp i(IcmpSocketKind::kDatagram);
    i->SetIPAddr("10.231.1.2");
    EXPECT_FALSE(i->Ping());
    EXPECT_EQ(i->ResultText(), "ICMP.DLLのロードに失敗しました。");
    EXPECT_FALSE(i->IsActive());
  });
}

TEST_F(IcmpNetns, SilentHostTimesOut) {
  TwoHosts();
  lab_->Sysctl(peer_, "net/ipv4/icmp_echo_ignore_all", "1");
  for (const Transport& t : kTransports) {
    SCOPED_TRACE(t.name);
    lab_->Sysctl(client_, "net/ipv4/ping_group_range", t.pingRange);
    lab_->Run(client_, [&] {
      Icmp i(IcmpSocketKind::kAuto);
      i->SetIPAddr("10.231.1.2");
      i->SetTimeOut(400);
      const auto start = std::chrono::steady_clock::now();
      EXPECT_FALSE(i->Ping());
      const auto took = std::chrono::steady_clock::now() - start;
      EXPECT_EQ(i->ResultText(), "IP_REQ_TIMED_OUT");
      EXPECT_GE(took, std::chrono::milliseconds(400));
      EXPECT_LT(took, std::chrono::milliseconds(400 + 2000));
      EXPECT_EQ(i.transport->LastKind(), t.used);
    });
  }
}

TEST_F(IcmpNetns, IcmpErrorsThroughARouter) {
  Routed();
  struct Case {
    const char* addr;
    int ttl;
    bool ok;
    const char* text;
  };
  const Case cases[] = {
      {"10.231.2.1", 128, true, "TTL:63 / 0 Bytes"},  // one hop: the reply's own TTL
      {"10.231.2.1", 1, false, "IP_TTL_EXPIRED_TRANSIT"},
      {"10.231.3.5", 128, false, "IP_DEST_HOST_UNREACHABLE"},
      {"10.231.9.9", 128, false, "IP_DEST_NET_UNREACHABLE"},
  };
  for (const Transport& t : kTransports) {
    SCOPED_TRACE(t.name);
    lab_->Sysctl(client_, "net/ipv4/ping_group_range", t.pingRange);
    lab_->Run(client_, [&] {
      Icmp i(IcmpSocketKind::kAuto);
      for (const Case& c : cases) {
        i->SetIPAddr(c.addr);
        i->SetTTL(c.ttl);
        i->SetTimeOut(3000);
        EXPECT_EQ(i->Ping(), c.ok) << c.addr << " " << c.ttl;
        EXPECT_NE(i->ResultText().find(c.text), std::string::npos) << t.name << " " << c.addr << " " << c.ttl << ": " << i->ResultText();
      }
      EXPECT_EQ(i.transport->LastKind(), t.used);
    });
  }
}

TEST_F(IcmpNetns, MacOfANeighbour) {
  TwoHosts();
  const std::string peerMac = ToUpperAscii(lab_->MacOf(peer_, lab_->DeviceTowards(client_)));
  lab_->Run(client_, [&] {
    Icmp i(IcmpSocketKind::kAuto);
    ASSERT_TRUE(i->Active(true)) << i->ResultText();
    i->SetIPAddr("10.231.1.2");
    EXPECT_EQ(i->GetMACAddr(), peerMac);
    EXPECT_EQ(i->GetMACAddr(), peerMac);  // now from the table
    ListRow row;
    row.SubItems[kSubIP] = "*10.231.1.2";
    GetMacOfRow(*i.icmp, row);
    EXPECT_EQ(row.SubItems[kSubMac], peerMac);
    // Nobody there, and an address that is not on a link of this host.
    i->SetIPAddr("10.231.1.77");
    EXPECT_EQ(i->GetMACAddr(), "");
    i->SetIPAddr("10.231.5.5");
    EXPECT_EQ(i->GetMACAddr(), "");
  });
}

TEST_F(IcmpNetns, NamesFromTheNamespaceHostsFile) {
  TwoHosts();
  lab_->Hosts(client_, "127.0.0.1 localhost\n10.231.1.2 peer.sentrova.test peer\n");
  lab_->Run(client_, [&] {
    ManualDispatcher d;
    Icmp i(IcmpSocketKind::kAuto, &d);
    EXPECT_TRUE(i->GetIPByName("peer.sentrova.test")) << i->ResultText();
    EXPECT_EQ(i->GetIPAddr(), "10.231.1.2");
    EXPECT_TRUE(i->GetNameByIP("10.231.1.2")) << i->ResultText();
    EXPECT_EQ(i->HostName(), "peer.sentrova.test");

    i->SetIPAddr("0.0.0.0");
    EXPECT_FALSE(i->GetIPByName("nobody.sentrova.invalid"));
    EXPECT_EQ(i->ResultText(), "IPアドレスを取得できませんでした。");
    EXPECT_EQ(i->GetIPAddr(), "0.0.0.0");
    EXPECT_FALSE(i->GetNameByIP("10.231.1.99"));
    const std::string text = i->ResultText();
    EXPECT_TRUE(text == "ホスト名の取得に失敗しました。11001" || text == "ホスト名の取得に失敗しました。11002" ||
                text == "ホスト名の取得に失敗しました。11004")
        << text;

    // By name: ping resolves first.
    i->SetPingMode(NameCheck);
    i->SetHostName("peer");
    EXPECT_TRUE(i->Ping()) << i->ResultText();

    // Asynchronously, delivered on this thread.
    std::string found;
    i->SetOnReceiveIP([&](TIcmp&, std::uint32_t, const std::string& text, int err) {
      found = text + "/" + std::to_string(err);
    });
    i->SetIPAddr("0.0.0.0");
    ASSERT_TRUE(i->AsyncGetIPByName("peer"));
    ASSERT_TRUE(d.WaitForPending(std::chrono::seconds(20)));
    d.ProcessPending();
    EXPECT_EQ(found, "10.231.1.2/0");
  });
}

TEST_F(IcmpNetns, WakeOnLanReachesTheNeighbour) {
  TwoHosts();
  // The limited broadcast leaves by the default route: into the peer.
  lab_->Ip(client_, {"route", "add", "default", "via", "10.231.1.2"});
  std::atomic<bool> listening{false};
  std::vector<std::uint8_t> got;
  std::string dest;
  std::thread listener([&] {
    lab_->Run(peer_, [&] {
      const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
      const int on = 1;
      ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
      sockaddr_in any{};
      any.sin_family = AF_INET;
      any.sin_port = htons(9001);
      ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
      listening = true;
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 10000) == 1) {
        got.resize(2048);
        iovec iov{got.data(), got.size()};
        alignas(cmsghdr) char control[128];
        msghdr msg{};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(fd, &msg, 0);
        got.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
          if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            dest = InetNtoa(info.ipi_addr.s_addr);
          }
        }
      }
      ::close(fd);
    });
  });
  while (!listening) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  lab_->Run(client_, [&] {
    Icmp i(IcmpSocketKind::kAuto);
    EXPECT_EQ(WakeMacText(*i.icmp, "00:11:22:33:44:55"), std::nullopt);
  });
  listener.join();
  std::vector<std::uint8_t> expected(6, 0xFF);
  for (int r = 0; r < 16; ++r) {
    for (std::uint8_t b : {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}) expected.push_back(b);
  }
  EXPECT_EQ(got, expected);
  EXPECT_EQ(dest, "255.255.255.255");
}

}  // namespace
}  // namespace sentrova
