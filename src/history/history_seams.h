// What the history recorder needs of the system: the local date and time, a
// way to show a message to the user, and the desktop's file opener. Each is a
// small interface so that tests can pass fakes; the Linux implementations are
// in platform/.
#pragma once

#include <string>

namespace sentrova {

// A local calendar date and wall-clock time.
struct LocalDateTime {
  int Year = 2000;   // four digits
  int Month = 1;     // 1..12
  int Day = 1;       // 1..31
  int Hour = 0;      // 0..23
  int Minute = 0;    // 0..59
  int Second = 0;    // 0..59
  int Weekday = 0;   // 0 Sunday .. 6 Saturday
};

class HistoryClock {
 public:
  virtual ~HistoryClock() = default;
  virtual LocalDateTime Now() const = 0;
};

// A message for the user: a message box with the warning icon in the window
// program, a line on standard error in the console mode.
class HistoryMessageSink {
 public:
  virtual ~HistoryMessageSink() = default;
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
};

// Hands a file to the desktop, which picks the viewer for it. False when it
// could not be opened (no such file, no opener, the opener failed).
class HistoryFileOpener {
 public:
  virtual ~HistoryFileOpener() = default;
  virtual bool Open(const std::string& path) = 0;
};

}  // namespace sentrova
