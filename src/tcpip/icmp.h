// TIcmp: the program's IPv4 tools in one component. Ping (ICMP echo), host
// name and address lookups (also asynchronous), the MAC address of a
// neighbour, and the Wake-on-LAN broadcast.
//
// Every operation that reports through ResultText empties it first and leaves
// a summary or a Japanese error text in it; operations return success or
// failure. The one instance is shared by the check thread and the main
// thread: every operation takes the component's lock, and a caller that needs
// several operations to go together (SetIPAddr, Ping, then ResultText) holds
// Hold() across them, so that no other thread's operation falls in between.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tcpip/icmp_services.h"

namespace sentrova {

class Dispatcher;

enum enIPMode : int { IPCheck = 0, NameCheck = 1 };

// The conversion error of StringToMAC; what() is the text to show.
class MacConvertError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The completion of an asynchronous lookup: the address found (network byte
// order) and the Winsock code of the lookup (0 = success).
struct HostLookupCompletion {
  std::uint32_t addr = 0;
  int err = 0;
};

inline constexpr std::uint16_t kWakeOnLanPort = 9001;
inline constexpr std::size_t kHostEntryBufferSize = 1024;

// inet_addr: dotted text to a network-order address; 255.255.255.255 for
// text that is no address.
std::uint32_t InetAddr(std::string_view text);
// The dotted decimal text of a network-order address.
std::string InetNtoa(std::uint32_t addr);
// "00:1A:2B:3C:4D:5E".
std::string MacToText(const MacBytes& mac);
// The 102-byte magic packet: six 0xFF, then mac sixteen times.
std::vector<std::uint8_t> BuildWakePacket(const MacBytes& mac);

class TIcmp {
 public:
  using PingStepHandler = std::function<void(int nStep, const std::string& sMsg)>;
  using ReceiveIPHandler =
      std::function<void(TIcmp& sender, std::uint32_t dwHost, const std::string& sHost, int err)>;

  // The dispatcher delivers asynchronous lookups on the main thread; without
  // one AsyncGetIPByName refuses. It must outlive the component.
  explicit TIcmp(IcmpServices services, Dispatcher* dispatcher = nullptr);
  ~TIcmp();
  TIcmp(const TIcmp&) = delete;
  TIcmp& operator=(const TIcmp&) = delete;

  // The component's lock, for a sequence of operations that must not be
  // interleaved with another thread's.
  std::unique_lock<std::recursive_mutex> Hold() const;

  // true: activate (probe the services), false: deactivate (always true).
  bool Active(bool value);
  bool IsActive() const;
  std::string ResultText() const;

  // Properties.
  std::string GetIPAddr() const;
  void SetIPAddr(std::string_view text);
  std::string HostName() const;
  void SetHostName(std::string_view name);
  enIPMode PingMode() const;
  void SetPingMode(enIPMode mode);
  std::int32_t TimeOut() const;
  void SetTimeOut(std::int32_t ms);
  std::int32_t TTL() const;
  void SetTTL(std::int32_t ttl);
  std::int16_t SendBytes() const;
  void SetSendBytes(std::int16_t value);  // above 10240 stores 10240
  bool EX() const;
  void SetEX(bool value);
  void SetOnPingStep(PingStepHandler handler);
  void SetOnReceiveIP(ReceiveIPHandler handler);

  // One echo to the target address; true when a reply with status 0 came.
  bool Ping();
  static std::string GetErrMsg(unsigned long code);

  // Names and addresses.
  std::string GetMACAddr();
  bool GetNameByIP(std::string_view text);
  bool GetIPByName(std::string_view name);
  bool AsyncGetIPByName(std::string_view name);
  bool AsyncGetCancel();
  // The completion of an asynchronous lookup (runs on the main thread).
  void ReceiveHostName(const HostLookupCompletion& msg);

  // Six ":"-separated hexadecimal parts; throws MacConvertError otherwise.
  static MacBytes StringToMAC(std::string_view text);
  // Broadcasts the magic packet for mac to 255.255.255.255 port 9001.
  void WakeOnLan(const MacBytes& mac);

 private:
  struct AsyncLookup;
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  bool EnsureActive();
  void Step(int n, const std::string& text);
  void ReapWorkers(bool all);

  IcmpServices services_;
  Dispatcher* dispatcher_;
  mutable std::recursive_mutex mutex_;

  bool active_ = false;
  std::string resultText_;
  std::uint32_t addr_ = 0;  // network byte order
  std::string hostName_;
  enIPMode pingMode_ = IPCheck;
  std::int32_t timeOut_ = 2000;
  std::int32_t ttl_ = 128;
  std::int16_t sendBytes_ = 0;
  bool ex_ = true;
  PingStepHandler onPingStep_;
  ReceiveIPHandler onReceiveIP_;

  std::vector<std::uint8_t> hostBuffer_;
  bool neighboursReady_ = false;
  bool asyncBusy_ = false;
  std::shared_ptr<AsyncLookup> pending_;
  std::vector<Worker> workers_;
  // Posted completions reach the component only while this lives.
  std::shared_ptr<TIcmp*> life_;
};

}  // namespace sentrova
