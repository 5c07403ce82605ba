// Fakes of the ICMP component's services: a scripted echo transport (it
// answers each sent request with arrivals made from that request), a
// neighbour table, a resolver that can hold its answers back, and a
// recording broadcaster.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "tcpip/icmp.h"
#include "tcpip/icmp_packet.h"
#include "tcpip/icmp_services.h"

namespace sentrova::test {

struct SentEcho {
  std::uint32_t addr = 0;
  std::vector<std::uint8_t> message;
  std::uint8_t ttl = 0;
  std::uint8_t tos = 0;
  bool dontFragment = false;
};

// Arrivals for one sent request.
using EchoScript = std::function<std::vector<IcmpArrival>(const SentEcho&)>;

class FakeEchoTransport : public IcmpTransport {
 public:
  int probeError = 0;
  int openError = 0;
  int configureError = 0;
  int sendError = 0;
  bool raw = true;
  EchoScript script;
  std::vector<SentEcho> sent;

  int Probe() override { return probeError; }
  std::unique_ptr<IcmpSocket> Open(int* err) override;
};

class FakeEchoSocket : public IcmpSocket {
 public:
  explicit FakeEchoSocket(FakeEchoTransport& t) : t_(t) {}
  bool WithIpHeader() const override { return t_.raw; }
  int Configure(std::uint8_t ttl, std::uint8_t tos, bool df) override {
    current_.ttl = ttl;
    current_.tos = tos;
    current_.dontFragment = df;
    return t_.configureError;
  }
  int Send(std::uint32_t addr, const std::vector<std::uint8_t>& message) override {
    current_.addr = addr;
    current_.message = message;
    t_.sent.push_back(current_);
    if (t_.sendError) return t_.sendError;
    if (t_.script) queue_ = t_.script(current_);
    return 0;
  }
  IcmpArrival Receive(int) override {
    if (next_ >= queue_.size()) return IcmpArrival{};  // timeout
    return queue_[next_++];
  }

 private:
  FakeEchoTransport& t_;
  SentEcho current_;
  std::vector<IcmpArrival> queue_;
  std::size_t next_ = 0;
};

inline std::unique_ptr<IcmpSocket> FakeEchoTransport::Open(int* err) {
  *err = openError;
  if (openError) return nullptr;
  return std::make_unique<FakeEchoSocket>(*this);
}

class FakeNeighbours : public NeighbourTable {
 public:
  int probeError = 0;
  std::map<std::uint32_t, MacBytes> table;
  std::vector<std::uint32_t> asked;
  int Probe() override { return probeError; }
  std::optional<MacBytes> Lookup(std::uint32_t addr) override {
    asked.push_back(addr);
    auto it = table.find(addr);
    if (it == table.end()) return std::nullopt;
    return it->second;
  }
};

class FakeResolver : public Resolver {
 public:
  std::map<std::string, std::uint32_t> addresses;
  std::map<std::uint32_t, std::string> names;
  int failure = 11001;  // code for anything unknown

  // While held, AddressOf waits (for the asynchronous lookup tests).
  void Hold() {
    std::lock_guard<std::mutex> l(m_);
    held_ = true;
  }
  void Release() {
    {
      std::lock_guard<std::mutex> l(m_);
      held_ = false;
    }
    cv_.notify_all();
  }
  int Calls() {
    std::lock_guard<std::mutex> l(m_);
    return calls_;
  }

  int AddressOf(const std::string& name, std::uint32_t* addr) override {
    std::unique_lock<std::mutex> l(m_);
    ++calls_;
    cv_.wait(l, [&] { return !held_; });
    auto it = addresses.find(name);
    if (it == addresses.end()) return failure;
    *addr = it->second;
    return 0;
  }
  int NameOf(std::uint32_t addr, std::string* name) override {
    std::lock_guard<std::mutex> l(m_);
    ++calls_;
    auto it = names.find(addr);
    if (it == names.end()) return failure;
    *name = it->second;
    return 0;
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool held_ = false;
  int calls_ = 0;
};

class FakeBroadcaster : public UdpBroadcaster {
 public:
  int probeError = 0;
  struct Datagram {
    std::vector<std::uint8_t> payload;
    std::uint16_t port;
  };
  std::vector<Datagram> sent;
  int Probe() override { return probeError; }
  int Broadcast(const std::vector<std::uint8_t>& payload, std::uint16_t port) override {
    sent.push_back({payload, port});
    return 0;
  }
};

// A component over fresh fakes, with pointers to them.
struct FakeIcmp {
  FakeEchoTransport* echo;
  FakeNeighbours* neighbours;
  FakeResolver* resolver;
  FakeBroadcaster* broadcaster;
  std::unique_ptr<TIcmp> icmp;

  explicit FakeIcmp(Dispatcher* dispatcher = nullptr) {
    IcmpServices s;
    auto e = std::make_unique<FakeEchoTransport>();
    auto n = std::make_unique<FakeNeighbours>();
    auto r = std::make_unique<FakeResolver>();
    auto b = std::make_unique<FakeBroadcaster>();
    echo = e.get();
    neighbours = n.get();
    resolver = r.get();
    broadcaster = b.get();
    s.echo = std::move(e);
    s.neighbours = std::move(n);
    s.resolver = std::move(r);
    s.broadcaster = std::move(b);
    icmp = std::make_unique<TIcmp>(std::move(s), dispatcher);
  }
};

// True when text is exactly a ping summary "<ms>ms / TTL:<ttl> / <bytes> Bytes".
inline bool IsPingSummary(const std::string& text, int ttl, int bytes) {
  const std::size_t ms = text.find("ms / ");
  if (ms == std::string::npos || ms == 0) return false;
  for (std::size_t k = 0; k < ms; ++k) {
    if (text[k] < '0' || text[k] > '9') return false;
  }
  return text.substr(ms) == "ms / TTL:" + std::to_string(ttl) + " / " + std::to_string(bytes) + " Bytes";
}

// Network-order address of dotted text.
inline std::uint32_t Ip(const char* text) { return InetAddr(text); }

// Makes the transport a datagram socket on which only the addresses in
// `live` answer, with the TTL given; the others stay silent. The set may be
// changed between pings.
inline void AnswerOnly(FakeEchoTransport& t, std::shared_ptr<const std::set<std::uint32_t>> live,
                       std::uint8_t ttl = 64) {
  t.raw = false;
  t.script = [live = std::move(live), ttl](const SentEcho& s) {
    std::vector<IcmpArrival> out;
    if (live->count(s.addr) == 0) return out;
    IcmpArrival a;
    a.kind = IcmpArrival::kPacket;
    a.from = s.addr;
    a.bytes = s.message;
    a.bytes[0] = kIcmpEchoReply;
    a.ttl = ttl;
    out.push_back(a);
    return out;
  };
}
inline void AnswerOnly(FakeEchoTransport& t, std::set<std::uint32_t> live, std::uint8_t ttl = 64) {
  AnswerOnly(t, std::make_shared<const std::set<std::uint32_t>>(std::move(live)), ttl);
}

}  // namespace sentrova::test
