#include "tcpip/icmp_commands.h"

#include "app/res_item.h"
#include "app/term_list.h"
#include "tcpip/icmp.h"

namespace sentrova {

std::string MacLookupAddress(std::string_view ipText) {
  if (!ipText.empty() && ipText.front() == '*') return std::string(ipText.substr(1, 20));
  return std::string(ipText);
}

std::string LookupMacText(TIcmp& icmp, std::string_view ipText) {
  // The address and the lookup go together: no other thread's SetIPAddr may
  // fall in between.
  auto hold = icmp.Hold();
  if (!icmp.IsActive() && !icmp.Active(true)) return {};
  icmp.SetIPAddr(MacLookupAddress(ipText));
  return icmp.GetMACAddr();
}

void GetMacOfRow(TIcmp& icmp, ListRow& row) {
  row.SubItems[kSubMac].clear();
  row.SubItems[kSubMac] = LookupMacText(icmp, row.SubItems[kSubIP]);
}

void GetMacOfRow(TIcmp& icmp, ResItem& item) {
  item.MacAddr.clear();
  item.MacAddr = LookupMacText(icmp, item.IP);
}

void ClearMacOfRow(ListRow& row) { row.SubItems[kSubMac].clear(); }
void ClearMacOfRow(ResItem& item) { item.MacAddr.clear(); }

std::optional<std::string> WakeMacText(TIcmp& icmp, std::string_view macText) {
  MacBytes mac;
  try {
    mac = TIcmp::StringToMAC(macText);
  } catch (const MacConvertError& e) {
    return std::string(e.what());
  }
  icmp.WakeOnLan(mac);
  return std::nullopt;
}

std::optional<std::string> WakeRow(TIcmp& icmp, const ListRow& row) { return WakeMacText(icmp, row.SubItems[kSubMac]); }

}  // namespace sentrova
