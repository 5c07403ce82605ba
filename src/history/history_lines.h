// What the callers of the history recorder hand over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sentrova {

// The three kinds of record, with their own settings (Login.Rec,
// Logout.Rec, Access.Rec).
enum HistoryKind : std::int32_t {
  kHistoryLogin = 0,
  kHistoryLogout = 1,
  kHistoryAccess = 2,
};

// The source lines of one record, UTF-8, in the form the callers keep them:
//
// Login and logout: the main window's login or logout list, one line per
// terminal: user name, TAB, resource name. Only the user name (the text
// before the first TAB) is recorded.
//
// Access: the main window's access history lines, in tree order. The first
// character is a marker, TAB-separated fields follow it:
//   "0" user      account, machine, connected time, access time
//                 (the times as "hh:mm:ss", the hours possibly longer)
//   "1" folder    share name, account       (belongs to the last "0" line)
//   "2" file      share name + "\" + path   (belongs to the last "1" line)
using HistoryLines = std::vector<std::string>;

// Markers of access lines.
inline constexpr char kAccessUserMarker = '0';
inline constexpr char kAccessFolderMarker = '1';
inline constexpr char kAccessFileMarker = '2';

}  // namespace sentrova
