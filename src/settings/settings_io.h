// Loading and saving the settings record from and to Sentrova.ini in the
// program directory.
//
// The file has two layouts. The current one (version "1.92" and later) keeps
// the settings in sections named after their records (MainWnd, Config,
// Login, ...). The older one keeps everything in section Sentrova under other
// key names. An older file is read with its own keys, copied once to
// Sentrova.oldver.ini, its section Sentrova is removed, and the next save
// writes the current layout.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_cfg.h"

namespace sentrova {

inline constexpr const char* SettingsFileName = "Sentrova.ini";
inline constexpr const char* SettingsBackupFileName = "Sentrova.oldver.ini";

// programDir + "Sentrova.ini" (programDir ends with "/").
std::string SettingsFilePath(const std::string& programDir);

// What loading found. Loading itself always succeeds: a missing, unreadable
// or damaged file gives defaults.
struct LoadSettingsResult {
  bool currentLayout = false;  // false: the older layout (also for a missing file)
  bool backupMade = false;     // the older file was copied to Sentrova.oldver.ini
                               // and its section Sentrova was erased
  // Non-empty when a write made while loading (erasing the older section, or
  // the image types of the start-up argument) did not reach the file. The
  // values are in the record all the same. Nothing needs to be shown; the
  // text is there for a console line or a log.
  std::string warning;
};

// Tells whether the XML document facility used by the history files works.
using XmlProbe = std::function<bool()>;

// Fills cfg from programDir + "Sentrova.ini".
//   args: the command-line arguments without the program name. When the first
//     is exactly two decimal digits, IconImageType and OffIconImageType take
//     their values and both are written to the file at once.
//   xmlAvailable: empty uses the libxml2 check (XmlFacilityWorks). When the
//     facility does not work, a history extension "XML" (any letter case)
//     of Login, Logout or Access becomes "log".
// Members the file does not hold take their defaults; an older-layout file
// leaves cfg.Background at its initial values (empty, false, 0, 0). Never
// creates the file except for the start-up argument.
LoadSettingsResult LoadSettings(const std::string& programDir, const std::vector<std::string>& args,
                                SentrovaCfg& cfg, const XmlProbe& xmlAvailable = {});

// Writes cfg to programDir + "Sentrova.ini" in the current layout, version
// "2.10a", keys in their fixed order; other lines of the file (older-layout
// keys included) stay as they are. IconImageType, OffIconImageType and
// AccWnd.ColPosition are not written. The file is replaced in one step:
// on failure it is left exactly as it was, and errorText holds the message
// for the user, naming the file. True on success.
bool SaveSettings(const std::string& programDir, const SentrovaCfg& cfg, std::string& errorText);

// The n-th (from 0) comma-separated field of a geometry or column-width text
// (MainWndCfg::Size, Pos, ColWidth) as an integer; fallback (the window's
// design value or the column's own width) when the field is missing or not
// an integer. "E,120" gives fallback for field 0 and 120 for field 1.
int SettingsIntField(std::string_view text, int n, int fallback);

}  // namespace sentrova
