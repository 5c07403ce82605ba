#include "platform/stderr_messages.h"

#include <cstdio>

namespace sentrova {

void StderrMessageSink::ShowMessage(const std::string& text, const std::string& caption) {
  std::string line = caption + ": ";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    line += (c == '\r' || c == '\n') ? ' ' : c;
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace sentrova
