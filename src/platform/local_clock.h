// The system's local time for the history recorder.
#pragma once

#include "history/history_seams.h"

namespace sentrova {

class LocalHistoryClock final : public HistoryClock {
 public:
  LocalDateTime Now() const override;
};

}  // namespace sentrova
