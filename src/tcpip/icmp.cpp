#include "tcpip/icmp.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>

#include "app/dispatcher.h"
#include "settings/text.h"
#include "tcpip/icmp_echo.h"

namespace sentrova {
namespace {

constexpr const char* kTextIcmpLoad = "ICMP.DLLのロードに失敗しました。";
constexpr const char* kTextSocketInit = "Soketの初期化に失敗しました。";
constexpr const char* kTextIcmpProc = "ICMP.DLLの関数取得に失敗しました。";
constexpr const char* kTextHelperLoad = "IPHLPAPI.DLLのロードに失敗しました。";
constexpr const char* kTextSendBuffer = "Ping送信用バッファを確保できません。";
constexpr const char* kTextReplyBuffer = "Ping受信用バッファを確保できません。";
constexpr const char* kTextNameFailed = "ホスト名の取得に失敗しました。";
constexpr const char* kTextNoName = "コンピュータ名を指定して下さい。";
constexpr const char* kTextNoAddress = "IPアドレスを取得できませんでした。";
constexpr const char* kTextAsyncBusy = "現在IPアドレスを問い合わせ中です。";
constexpr const char* kTextNoHostBuffer = "ホスト取得の為のメモリが確保されていません。";
constexpr const char* kTextNotPending = "現在、非同期ホストIP取得をしていません。";
constexpr const char* kTextCancelFailed = "非同期ホストIP取得のキャンセルに失敗しました。";

constexpr std::int16_t kMaxSendBytes = 10240;

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The four bytes of a network-order address read as a little-endian number.
std::uint32_t LittleEndianValue(std::uint32_t addr) {
  std::uint8_t b[4];
  std::memcpy(b, &addr, 4);
  return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
         (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

}  // namespace

// The state of one asynchronous lookup, shared with its worker: the worker
// moves it from pending to completed before it posts the completion, a
// cancel from pending to cancelled; whoever comes second loses.
struct TIcmp::AsyncLookup {
  enum { kPending, kCompleted, kCancelled };
  std::atomic<int> state{kPending};
};

std::uint32_t InetAddr(std::string_view text) {
  const std::string s(text);
  return ::inet_addr(s.c_str());
}

std::string InetNtoa(std::uint32_t addr) {
  std::uint8_t b[4];
  std::memcpy(b, &addr, 4);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  return buf;
}

std::string MacToText(const MacBytes& mac) {
  char buf[18];
  std::snprintf(buf, sizeof buf, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
  return buf;
}

std::vector<std::uint8_t> BuildWakePacket(const MacBytes& mac) {
  std::vector<std::uint8_t> packet(6, 0xFF);
  packet.reserve(102);
  for (int i = 0; i < 16; ++i) packet.insert(packet.end(), mac.begin(), mac.end());
  return packet;
}

TIcmp::TIcmp(IcmpServices services, Dispatcher* dispatcher)
    : services_(std::move(services)), dispatcher_(dispatcher), life_(std::make_shared<TIcmp*>(this)) {}

TIcmp::~TIcmp() {
  {
    auto lock = Hold();
    if (active_) Active(false);
  }
  ReapWorkers(true);
  life_.reset();
}

std::unique_lock<std::recursive_mutex> TIcmp::Hold() const { return std::unique_lock<std::recursive_mutex>(mutex_); }

bool TIcmp::IsActive() const {
  auto lock = Hold();
  return active_;
}

std::string TIcmp::ResultText() const {
  auto lock = Hold();
  return resultText_;
}

bool TIcmp::Active(bool value) {
  auto lock = Hold();
  resultText_.clear();
  if (!value) {
    hostBuffer_.clear();
    hostBuffer_.shrink_to_fit();
    neighboursReady_ = false;
    // Stopping the sockets layer ends a pending lookup: its completion is
    // dropped.
    if (pending_) pending_->state.store(AsyncLookup::kCancelled);
    pending_.reset();
    asyncBusy_ = false;
    active_ = false;
    return true;
  }
  // The checks, in order: an ICMP endpoint can be opened (the echo library),
  // UDP sockets work (the sockets layer), the resolver is there (the echo
  // entry points), the neighbour table can be read (the IP helper library).
  if (!services_.echo || services_.echo->Probe() != 0) {
    resultText_ = kTextIcmpLoad;
    return false;
  }
  if (!services_.broadcaster || services_.broadcaster->Probe() != 0) {
    resultText_ = kTextSocketInit;
    return false;
  }
  if (!services_.resolver) {
    resultText_ = kTextIcmpProc;
    return false;
  }
  hostBuffer_.assign(kHostEntryBufferSize, 0);
  if (!services_.neighbours || services_.neighbours->Probe() != 0) {
    resultText_ = kTextHelperLoad;
    return false;
  }
  neighboursReady_ = true;
  active_ = true;
  return true;
}

bool TIcmp::EnsureActive() { return active_ || Active(true); }

std::string TIcmp::GetIPAddr() const {
  auto lock = Hold();
  return InetNtoa(addr_);
}

void TIcmp::SetIPAddr(std::string_view text) {
  auto lock = Hold();
  resultText_.clear();
  std::string compact;
  for (char c : text) {
    if (c != ' ') compact += c;
  }
  addr_ = InetAddr(compact);
}

std::string TIcmp::HostName() const {
  auto lock = Hold();
  return hostName_;
}
void TIcmp::SetHostName(std::string_view name) {
  auto lock = Hold();
  hostName_ = std::string(name);
}
enIPMode TIcmp::PingMode() const {
  auto lock = Hold();
  return pingMode_;
}
void TIcmp::SetPingMode(enIPMode mode) {
  auto lock = Hold();
  pingMode_ = mode;
}
std::int32_t TIcmp::TimeOut() const {
  auto lock = Hold();
  return timeOut_;
}
void TIcmp::SetTimeOut(std::int32_t ms) {
  auto lock = Hold();
  timeOut_ = ms;
}
std::int32_t TIcmp::TTL() const {
  auto lock = Hold();
  return ttl_;
}
void TIcmp::SetTTL(std::int32_t ttl) {
  auto lock = Hold();
  ttl_ = ttl;
}
std::int16_t TIcmp::SendBytes() const {
  auto lock = Hold();
  return sendBytes_;
}
void TIcmp::SetSendBytes(std::int16_t value) {
  auto lock = Hold();
  sendBytes_ = value > kMaxSendBytes ? kMaxSendBytes : value;
}
bool TIcmp::EX() const {
  auto lock = Hold();
  return ex_;
}
void TIcmp::SetEX(bool value) {
  auto lock = Hold();
  ex_ = value;
}
void TIcmp::SetOnPingStep(PingStepHandler handler) {
  auto lock = Hold();
  onPingStep_ = std::move(handler);
}
void TIcmp::SetOnReceiveIP(ReceiveIPHandler handler) {
  auto lock = Hold();
  onReceiveIP_ = std::move(handler);
}

void TIcmp::Step(int n, const std::string& text) {
  if (onPingStep_) onPingStep_(n, text);
}

bool TIcmp::Ping() {
  auto lock = Hold();
  if (pingMode_ == NameCheck) {
    const std::string name = hostName_;
    if (!GetIPByName(name)) return false;
  }
  resultText_.clear();
  if (!EnsureActive()) return false;

  // A negative size (only a hand-edited settings file gives one) sends no data.
  const std::uint16_t dataSize = sendBytes_ > 0 ? static_cast<std::uint16_t>(sendBytes_) : 0;
  std::vector<std::uint8_t> request;
  std::vector<std::uint8_t> reply;
  try {
    if (dataSize > 0) request.assign(dataSize, 0);
  } catch (const std::bad_alloc&) {
    resultText_ = kTextSendBuffer;
    return false;
  }
  Step(0, dataSize > 0 ? "送信バッファ確保" + std::to_string(dataSize) : std::string("送信バッファ不要"));
  try {
    reply.assign(dataSize + 28u, 0);
  } catch (const std::bad_alloc&) {
    resultText_ = kTextReplyBuffer;
    return false;
  }
  Step(1, "受信バッファ確保");

  int openError = 0;
  std::unique_ptr<IcmpSocket> socket = services_.echo->Open(&openError);
  Step(2, "ICMPファイル作成");

  EchoRequest req;
  req.addr = addr_;
  NextEchoIds(&req.id, &req.seq);
  req.dataSize = dataSize;
  req.ttl = static_cast<std::uint8_t>(ttl_ & 0xFF);
  req.timeoutMs = timeOut_;
  Step(3, "TTL設定 " + std::to_string(req.ttl));
  if (ex_) {
    req.tos = 8;
    req.dontFragment = true;
    Step(4, "ICMP-Flag設定");
  }
  Step(5, "SendEcho-" + std::to_string(LittleEndianValue(addr_)));

  const EchoResult r = SendEcho(socket.get(), openError, req);
  bool ok = false;
  if (!r.replied) {
    Step(6, "SendEcho失敗-" + GetErrMsg(r.error));
    resultText_ = GetErrMsg(r.error);
  } else {
    Step(6, "SendEcho成功-Status " + std::to_string(r.status));
    if (r.status != 0) {
      resultText_ = GetErrMsg(r.status);
    } else {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%dms / TTL:%d / %d Bytes", static_cast<int>(r.rttMs), r.ttl,
                    static_cast<int>(r.dataSize));
      resultText_ = buf;
      ok = true;
    }
  }
  return ok;
}

std::string TIcmp::GetErrMsg(unsigned long code) {
  static const char* const kNames[] = {
      "IP_BUF_TOO_SMALL",           "IP_DEST_NET_UNREACHABLE",
      "IP_DEST_HOST_UNREACHABLE",   "IP_DEST_PROT_UNREACHABLE",
      "IP_DEST_PORT_UNREACHABLE",   "IP_NO_RESOURCES",
      "IP_BAD_OPTION",              "IP_HW_ERROR",
      "IP_PACKET_TOO_BIG",          "IP_REQ_TIMED_OUT",
      "IP_BAD_REQ",                 "IP_BAD_ROUTE",
      "IP_TTL_EXPIRED_TRANSIT",     "IP_TTL_EXPIRED_REASSEM",
      "IP_PARAM_PROBLEM",           "IP_SOURCE_QUENCH",
      "IP_OPTION_TOO_BIG",          "IP_BAD_DESTINATION",
      "IP_ADDR_DELETED",            "IP_SPEC_MTU_CHANGE",
      "IP_MTU_CHANGE",              "IP_UNLOAD",
      "IP_ADDR_ADDED",              "IP_MEDIA_CONNECT",
      "IP_MEDIA_DISCONNECT",        "IP_BIND_ADAPTER",
      "IP_UNBIND_ADAPTER",          "IP_DEVICE_DOES_NOT_EXIST",
      "IP_DUPLICATE_ADDRESS",       "IP_INTERFACE_METRIC_CHANGE",
      "IP_RECONFIG_SECFLTR",        "IP_NEGOTIATING_IPSEC",
      "IP_INTERFACE_WOL_CAPABILITY_CHANGE", "IP_DUPLICATE_IPADD",
  };
  if (code >= 11001 && code <= 11034) return kNames[code - 11001];
  if (code == 11050) return "IP_GENERAL_FAILURE";
  if (code == 11255) return "IP_PENDING";
  return "ErrorCode = " + std::to_string(static_cast<std::uint32_t>(code));
}

std::string TIcmp::GetMACAddr() {
  auto lock = Hold();
  if (!active_ || !neighboursReady_) return {};
  const std::optional<MacBytes> mac = services_.neighbours->Lookup(addr_);
  return mac ? MacToText(*mac) : std::string();
}

bool TIcmp::GetNameByIP(std::string_view text) {
  auto lock = Hold();
  resultText_.clear();
  if (!EnsureActive()) return false;
  std::string name;
  const int err = services_.resolver->NameOf(InetAddr(text), &name);
  if (err == 0) {
    hostName_ = name;
    return true;
  }
  resultText_ = kTextNameFailed + std::to_string(err);
  return false;
}

bool TIcmp::GetIPByName(std::string_view name) {
  auto lock = Hold();
  resultText_.clear();
  if (!EnsureActive()) return false;
  if (name.empty()) {
    resultText_ = kTextNoName;
    return false;
  }
  std::uint32_t addr = 0;
  if (services_.resolver->AddressOf(std::string(name), &addr) != 0) {
    resultText_ = kTextNoAddress;
    return false;
  }
  addr_ = addr;
  return true;
}

void TIcmp::ReapWorkers(bool all) {
  std::vector<Worker> finished;
  {
    auto lock = Hold();
    for (auto it = workers_.begin(); it != workers_.end();) {
      if (all || it->done->load()) {
        finished.push_back(std::move(*it));
        it = workers_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (Worker& w : finished) w.thread.join();
}

bool TIcmp::AsyncGetIPByName(std::string_view name) {
  ReapWorkers(false);
  auto lock = Hold();
  resultText_.clear();
  if (name.empty()) {
    resultText_ = kTextNoName;
    return false;
  }
  if (!EnsureActive()) return false;
  if (asyncBusy_) {
    resultText_ = kTextAsyncBusy;
    return false;
  }
  if (hostBuffer_.size() < kHostEntryBufferSize) {
    resultText_ = kTextNoHostBuffer;
    return false;
  }
  if (!dispatcher_) return false;

  auto lookup = std::make_shared<AsyncLookup>();
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::weak_ptr<TIcmp*> life = life_;
  Resolver* resolver = services_.resolver.get();
  Dispatcher* dispatcher = dispatcher_;
  try {
    std::thread worker([lookup, done, life, resolver, dispatcher, host = std::string(name)] {
      HostLookupCompletion msg;
      msg.err = resolver->AddressOf(host, &msg.addr);
      int expected = AsyncLookup::kPending;
      if (lookup->state.compare_exchange_strong(expected, AsyncLookup::kCompleted)) {
        dispatcher->Post([life, lookup, msg] {
          std::shared_ptr<TIcmp*> owner = life.lock();
          if (!owner) return;
          TIcmp& icmp = **owner;
          auto hold = icmp.Hold();
          if (icmp.pending_ != lookup) return;  // deactivated meanwhile
          icmp.ReceiveHostName(msg);
        });
      }
      done->store(true);
    });
    workers_.push_back(Worker{std::move(worker), done});
  } catch (const std::system_error&) {
    return false;
  }
  pending_ = std::move(lookup);
  asyncBusy_ = true;
  return true;
}

bool TIcmp::AsyncGetCancel() {
  auto lock = Hold();
  resultText_.clear();
  if (!asyncBusy_ || !pending_) {
    resultText_ = kTextNotPending;
    return false;
  }
  int expected = AsyncLookup::kPending;
  if (!pending_->state.compare_exchange_strong(expected, AsyncLookup::kCancelled)) {
    // The lookup has finished; its completion is on the way.
    resultText_ = kTextCancelFailed;
    return false;
  }
  pending_.reset();
  asyncBusy_ = false;
  return true;
}

void TIcmp::ReceiveHostName(const HostLookupCompletion& msg) {
  auto lock = Hold();
  asyncBusy_ = false;
  pending_.reset();
  if (msg.err != 0) {
    resultText_ = kTextNoAddress;
  } else {
    addr_ = msg.addr;
  }
  if (onReceiveIP_) onReceiveIP_(*this, addr_, InetNtoa(addr_), msg.err);
}

MacBytes TIcmp::StringToMAC(std::string_view text) {
  const std::vector<std::string> parts = SplitLines(ReplaceAll(std::string(text), ":", "\n"));
  if (parts.size() != 6) {
    throw MacConvertError("'" + std::string(text) + "' is not a valid MAC address");
  }
  MacBytes mac{};
  for (std::size_t i = 0; i < 6; ++i) {
    const std::string& part = parts[i];
    bool valid = !part.empty() && part.size() <= 8;
    for (char c : part) valid = valid && IsHexDigit(c);
    if (!valid) throw MacConvertError("'0x" + part + "' is not a valid integer value");
    mac[i] = static_cast<std::uint8_t>(std::stoul(part, nullptr, 16) & 0xFF);
  }
  return mac;
}

void TIcmp::WakeOnLan(const MacBytes& mac) {
  // No result: a packet that cannot be sent is not reported.
  if (services_.broadcaster) services_.broadcaster->Broadcast(BuildWakePacket(mac), kWakeOnLanPort);
}

}  // namespace sentrova
