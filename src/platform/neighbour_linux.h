// The kernel's neighbour table over rtnetlink. A lookup of an address that
// is not in the table yet sends it one empty UDP datagram (to the discard
// port), which makes the kernel resolve it, and then waits for the entry.
#pragma once

#include "tcpip/icmp_services.h"

namespace sentrova {

class LinuxNeighbourTable : public NeighbourTable {
 public:
  explicit LinuxNeighbourTable(int resolveTimeoutMs = 3000) : resolveTimeoutMs_(resolveTimeoutMs) {}

  int Probe() override;
  std::optional<MacBytes> Lookup(std::uint32_t addr) override;

 private:
  int resolveTimeoutMs_;
};

}  // namespace sentrova
