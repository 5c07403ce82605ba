// Fakes of the history recorder's seams: a fixed clock, a message sink that
// keeps what it was shown, and a file opener that keeps what it was asked.
#pragma once

#include <string>
#include <vector>

#include "history/history_seams.h"

namespace sentrova::test {

class FixedClock final : public HistoryClock {
 public:
  explicit FixedClock(LocalDateTime now) : now_(now) {}
  LocalDateTime Now() const override { return now_; }
  void Set(LocalDateTime now) { now_ = now; }

 private:
  LocalDateTime now_;
};

struct ShownMessage {
  std::string Text;
  std::string Caption;
};

class RecordingSink final : public HistoryMessageSink {
 public:
  void ShowMessage(const std::string& text, const std::string& caption) override {
    Messages.push_back({text, caption});
  }
  std::vector<ShownMessage> Messages;
};

class FakeOpener final : public HistoryFileOpener {
 public:
  bool Open(const std::string& path) override {
    Opened.push_back(path);
    return Result;
  }
  bool Result = true;
  std::vector<std::string> Opened;
};

}  // namespace sentrova::test
