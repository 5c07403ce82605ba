// Opens a file with the desktop's preferred application through xdg-open.
#pragma once

#include <string>
#include <utility>

#include "history/history_seams.h"

namespace sentrova {

class XdgFileOpener final : public HistoryFileOpener {
 public:
  // program: the opener to run (xdg-open, looked up in PATH).
  explicit XdgFileOpener(std::string program = "xdg-open") : program_(std::move(program)) {}

  // False when the file does not exist, the opener cannot be started, or it
  // ends with a failure status. An opener still running after a few seconds
  // counts as started; it is reaped in the background.
  bool Open(const std::string& path) override;

 private:
  std::string program_;
};

}  // namespace sentrova
