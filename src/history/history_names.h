// History file names: the date put into a name pattern, the name check, the
// choice of the XML format by extension, and the date and time texts of a
// record.
#pragma once

#include <string>
#include <string_view>

#include "history/history_seams.h"

namespace sentrova {

struct RecCfg;

// Copies pattern from left to right, replacing "%y" by the four-digit year,
// "%Y" by its last two digits, "%m" by the two-digit month and "%d" by the
// two-digit day. "%" followed by any other character gives that character
// ("%%" gives "%"); a "%" at the very end is dropped.
std::string ExpandNamePattern(std::string_view pattern, const LocalDateTime& now);
std::string ExpandNamePattern(std::string_view pattern, const HistoryClock& clock);

// False when name holds any of  \ / : , ; * ? " < > |
bool IsValidFileName(std::string_view name);

// True when the text from the path's last "." on equals ".XML" in any case.
bool IsXmlHistoryPath(std::string_view path);

// RecordFolder, or programDir when that is empty. No separator is added:
// the file name is appended to the folder as it stands.
std::string HistoryFolder(const RecCfg& rec, const std::string& programDir);

// ExpandNamePattern(RecordFile + "." + RecordFileExp).
std::string HistoryFileName(const RecCfg& rec, const LocalDateTime& now);

// "2009/10/12(月)": the date with the weekday, one of 日 月 火 水 木 金 土.
std::string HistoryDateText(const LocalDateTime& now);

// "13:05:30", 24-hour form.
std::string HistoryTimeText(const LocalDateTime& now);

}  // namespace sentrova
