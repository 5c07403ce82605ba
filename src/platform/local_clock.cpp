#include "platform/local_clock.h"

#include <ctime>

namespace sentrova {

LocalDateTime LocalHistoryClock::Now() const {
  const std::time_t t = std::time(nullptr);
  std::tm tm {};
  localtime_r(&t, &tm);
  LocalDateTime now;
  now.Year = tm.tm_year + 1900;
  now.Month = tm.tm_mon + 1;
  now.Day = tm.tm_mday;
  now.Hour = tm.tm_hour;
  now.Minute = tm.tm_min;
  now.Second = tm.tm_sec > 59 ? 59 : tm.tm_sec;  // a leap second shows as :59
  now.Weekday = tm.tm_wday;
  return now;
}

}  // namespace sentrova
