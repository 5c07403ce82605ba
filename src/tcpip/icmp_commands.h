// The terminal list's Wake-on-LAN commands, on one row of the main list:
// look up the MAC address, clear it, wake the terminal.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sentrova {

class TIcmp;
struct ListRow;
struct ResItem;

// The address text the MAC lookup uses for a row's IP text: an address the
// check found by itself ("*" first) without its "*", at most 20 characters.
std::string MacLookupAddress(std::string_view ipText);

// The MAC text of the terminal at ipText ("00:1A:2B:3C:4D:5E"), activating
// the component when needed; empty when activation fails or nothing answers.
std::string LookupMacText(TIcmp& icmp, std::string_view ipText);

// "MACアドレス取得(&M)": empties the row's MAC column, then fills it with the
// MAC of the row's IP when one is found.
void GetMacOfRow(TIcmp& icmp, ListRow& row);
void GetMacOfRow(TIcmp& icmp, ResItem& item);

// "MACアドレス消去(&C)".
void ClearMacOfRow(ListRow& row);
void ClearMacOfRow(ResItem& item);

// "起動(&W)": converts the MAC text and broadcasts the magic packet. When the
// text is not a MAC address nothing is sent and the conversion error's text
// comes back, for a warning box.
std::optional<std::string> WakeMacText(TIcmp& icmp, std::string_view macText);
std::optional<std::string> WakeRow(TIcmp& icmp, const ListRow& row);

}  // namespace sentrova
