#include "history/history_names.h"

#include <cstdio>

#include "settings/settings_cfg.h"
#include "settings/text.h"

namespace sentrova {
namespace {

std::string TwoDigits(int value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", value);
  return buf;
}

std::string FourDigits(int value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d", value);
  return buf;
}

}  // namespace

std::string ExpandNamePattern(std::string_view pattern, const LocalDateTime& now) {
  const std::string year = FourDigits(now.Year);
  const std::string shortYear = year.substr(year.size() - 2);
  const std::string month = TwoDigits(now.Month);
  const std::string day = TwoDigits(now.Day);
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i + 1 >= pattern.size()) break;  // a trailing "%" is dropped
    const char next = pattern[++i];
    switch (next) {
      case 'y': out += year; break;
      case 'Y': out += shortYear; break;
      case 'm': out += month; break;
      case 'd': out += day; break;
      default: out += next; break;
    }
  }
  return out;
}

std::string ExpandNamePattern(std::string_view pattern, const HistoryClock& clock) {
  return ExpandNamePattern(pattern, clock.Now());
}

bool IsValidFileName(std::string_view name) {
  return name.find_first_of("\\/:,;*?\"<>|") == std::string_view::npos;
}

bool IsXmlHistoryPath(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return false;
  return ToUpperAscii(path.substr(dot)) == ".XML";
}

std::string HistoryFolder(const RecCfg& rec, const std::string& programDir) {
  return rec.RecordFolder.empty() ? programDir : rec.RecordFolder;
}

std::string HistoryFileName(const RecCfg& rec, const LocalDateTime& now) {
  return ExpandNamePattern(rec.RecordFile + "." + rec.RecordFileExp, now);
}

std::string HistoryDateText(const LocalDateTime& now) {
  static constexpr const char* kWeekdays[7] = {"日", "月", "火", "水", "木", "金", "土"};
  const int wd = now.Weekday >= 0 && now.Weekday < 7 ? now.Weekday : 0;
  return FourDigits(now.Year) + "/" + TwoDigits(now.Month) + "/" + TwoDigits(now.Day) + "(" + kWeekdays[wd] + ")";
}

std::string HistoryTimeText(const LocalDateTime& now) {
  return TwoDigits(now.Hour) + ":" + TwoDigits(now.Minute) + ":" + TwoDigits(now.Second);
}

}  // namespace sentrova
