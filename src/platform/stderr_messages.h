// Messages of the console mode: one line on standard error per message.
#pragma once

#include "history/history_seams.h"

namespace sentrova {

class StderrMessageSink final : public HistoryMessageSink {
 public:
  // "caption: text", line breaks of the text shown as blanks.
  void ShowMessage(const std::string& text, const std::string& caption) override;
};

}  // namespace sentrova
