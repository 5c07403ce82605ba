// Arbitrary bytes as an existing XML history file: a record must never
// crash, and a record that succeeds must leave a file that the next record
// can read again.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "history/history_recorder.h"
#include "settings/settings_cfg.h"

namespace {

using namespace sentrova;

class Clock final : public HistoryClock {
 public:
  LocalDateTime Now() const override { return {2010, 1, 5, 9, 8, 7, 2}; }
};

class Sink final : public HistoryMessageSink {
 public:
  void ShowMessage(const std::string&, const std::string&) override {}
};

class Opener final : public HistoryFileOpener {
 public:
  bool Open(const std::string&) override { return false; }
};

struct Dir {
  Dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sentrova-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    path = pattern + "/";
  }
  ~Dir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Dir dir;
  static Clock clock;
  static Sink sink;
  static Opener opener;
  static HistoryRecorder recorder(clock, sink, opener, dir.path);
  static const char* const kEncodings[] = {"UTF-8", "Shift_JIS", "UTF-16", "ISO-8859-1", "EUC-JP", "NO-SUCH"};

  const std::uint8_t selector = size > 0 ? data[0] : 0;
  SentrovaCfg cfg;
  for (RecCfg* rec : {&cfg.Login.Rec, &cfg.Logout.Rec, &cfg.Access.Rec}) {
    rec->RecordFile = "h";
    rec->RecordFileExp = "xml";
  }
  cfg.XMLEncoding = kEncodings[selector % 6];
  cfg.XSLFile = (selector & 0x40) ? "s\"?>.xsl" : "";
  const auto kind = static_cast<HistoryKind>((selector >> 3) % 3);
  const HistoryLines lines = kind == kHistoryAccess
                                 ? HistoryLines{"0U\tPC\t100:01:02\t00:00:01", "1S\tU", "2S\\f", "2x"}
                                 : HistoryLines{"佐藤\tPC1", "B"};

  const std::string path = dir.path + "h.xml";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (size > 1) out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  if (recorder.RecordHistory(kind, cfg, lines) == RecordOutcome::Written &&
      recorder.RecordHistory(kind, cfg, lines) != RecordOutcome::Written)
    std::abort();
  return 0;
}
