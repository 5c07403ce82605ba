// The system services the ICMP component stands on, each behind a small
// interface: the echo transport, the neighbour (ARP) table, the name
// resolver and the UDP broadcast. Linux implementations are in platform/;
// tests use fakes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sentrova {

// Something that arrived on an ICMP endpoint, or the lack of it.
struct IcmpArrival {
  enum Kind {
    kTimeout,  // nothing within the time given
    kPacket,   // a message: with IP header on a raw endpoint, without on a datagram one
    kError,    // an entry of the socket's error queue (datagram endpoint)
    kFailure,  // the system call failed: sysError
  } kind = kTimeout;
  std::vector<std::uint8_t> bytes;  // kPacket: the message; kError: the quoted ICMP message we sent
  std::uint32_t from = 0;           // kPacket: sender, network byte order
  int ttl = -1;                     // kPacket on a datagram endpoint: the IP TTL when known
  // kError: where the error came from (ICMP from the network, or the local stack).
  bool icmpOrigin = false;
  std::uint8_t icmpType = 0;
  std::uint8_t icmpCode = 0;
  int errnoValue = 0;  // kError: the error's errno; kFailure: the failed call's errno
};

// One opened ICMP endpoint, used for one echo and then closed.
class IcmpSocket {
 public:
  virtual ~IcmpSocket() = default;
  // True when received packets begin with the IP header (raw endpoint).
  virtual bool WithIpHeader() const = 0;
  // Options of the next request; 0 or an errno.
  virtual int Configure(std::uint8_t ttl, std::uint8_t tos, bool dontFragment) = 0;
  // Sends one ICMP message (header and data) to addr (network byte order); 0 or an errno.
  virtual int Send(std::uint32_t addr, const std::vector<std::uint8_t>& message) = 0;
  // Waits at most timeoutMs for the next arrival.
  virtual IcmpArrival Receive(int timeoutMs) = 0;
};

class IcmpTransport {
 public:
  virtual ~IcmpTransport() = default;
  // Whether echo requests can be sent at all (activation); 0 or an errno.
  virtual int Probe() = 0;
  // A fresh endpoint; null with *err set when none can be opened.
  virtual std::unique_ptr<IcmpSocket> Open(int* err) = 0;
};

using MacBytes = std::array<std::uint8_t, 6>;

// The kernel's table of link-layer neighbours (the ARP cache).
class NeighbourTable {
 public:
  virtual ~NeighbourTable() = default;
  // Whether the table can be read (activation); 0 or an errno.
  virtual int Probe() = 0;
  // The hardware address of addr (network byte order), resolving it first
  // when it is not known yet; nothing when it does not answer.
  virtual std::optional<MacBytes> Lookup(std::uint32_t addr) = 0;
};

// Host names and IPv4 addresses. Failures are given as Winsock codes
// (11001 host not found, 11002 try again, 11003 no recovery, 11004 no data).
class Resolver {
 public:
  virtual ~Resolver() = default;
  // The first IPv4 address of name (network byte order); 0 or a Winsock code.
  virtual int AddressOf(const std::string& name, std::uint32_t* addr) = 0;
  // The official name of addr; 0 or a Winsock code.
  virtual int NameOf(std::uint32_t addr, std::string* name) = 0;
};

// UDP datagrams to the limited broadcast address.
class UdpBroadcaster {
 public:
  virtual ~UdpBroadcaster() = default;
  // Whether UDP sockets can be opened (activation); 0 or an errno.
  virtual int Probe() = 0;
  // One datagram to 255.255.255.255:port; 0 or an errno.
  virtual int Broadcast(const std::vector<std::uint8_t>& payload, std::uint16_t port) = 0;
};

struct IcmpServices {
  std::unique_ptr<IcmpTransport> echo;
  std::unique_ptr<NeighbourTable> neighbours;
  std::unique_ptr<Resolver> resolver;
  std::unique_ptr<UdpBroadcaster> broadcaster;
};

}  // namespace sentrova
