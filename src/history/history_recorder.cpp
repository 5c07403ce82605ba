#include "history/history_recorder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "history/history_names.h"
#include "history/history_xml.h"
#include "settings/settings_cfg.h"
#include "settings/text.h"

namespace sentrova {
namespace {

bool ValidKind(HistoryKind kind) { return kind == kHistoryLogin || kind == kHistoryLogout || kind == kHistoryAccess; }

const RecCfg& RecOf(HistoryKind kind, const SentrovaCfg& cfg) {
  switch (kind) {
    case kHistoryLogin: return cfg.Login.Rec;
    case kHistoryLogout: return cfg.Logout.Rec;
    default: return cfg.Access.Rec;
  }
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string HistoryHeaderLine(HistoryKind kind, const LocalDateTime& now) {
  static constexpr const char* kOpenings[3] = {
      "[Login]--------------[",
      "[Logout]-------------[",
      "[Access]-------------[",
  };
  if (!ValidKind(kind)) return {};
  return std::string(kOpenings[kind]) + HistoryDateText(now) + " " + HistoryTimeText(now) + "]-----------------";
}

std::vector<std::string> TextHistoryBlock(HistoryKind kind, const LocalDateTime& now, const HistoryLines& lines) {
  std::vector<std::string> block;
  if (!ValidKind(kind)) return block;
  block.reserve(lines.size() + 2);
  block.push_back(HistoryHeaderLine(kind, now));
  for (const std::string& line : lines) {
    if (kind == kHistoryAccess)
      block.push_back(line.empty() ? std::string() : line.substr(1));
    else
      block.push_back(FieldOf(line, '\t', 0));
  }
  block.push_back(".");
  return block;
}

bool AppendTextHistory(const std::string& path, const std::vector<std::string>& lines) {
  const std::string bytes = ToCp932(JoinLinesCrlf(lines));
  // O_APPEND without O_TRUNC: a record only ever adds to the end.
  // O_NONBLOCK keeps a FIFO in the file's place from stalling the caller;
  // only a regular file takes records.
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  std::size_t done = 0;
  bool ok = true;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) ok = false;
  return ok;
}

HistoryRecorder::HistoryRecorder(const HistoryClock& clock, HistoryMessageSink& messages, HistoryFileOpener& opener,
                                 std::string programDir)
    : clock_(clock), messages_(messages), opener_(opener), programDir_(std::move(programDir)) {}

RecordOutcome HistoryRecorder::RecordHistory(HistoryKind kind, const SentrovaCfg& cfg, const HistoryLines& lines) {
  if (!ValidKind(kind)) return RecordOutcome::BadKind;
  const LocalDateTime now = clock_.Now();
  const RecCfg& rec = RecOf(kind, cfg);
  const std::string name = HistoryFileName(rec, now);
  if (!IsValidFileName(name)) {
    messages_.ShowMessage(std::string(kBadFileNameText) + "\n" + name, kHistoryCaption);
    return RecordOutcome::BadName;
  }
  const std::string path = HistoryFolder(rec, programDir_) + name;

  if (!IsXmlHistoryPath(path))
    return AppendTextHistory(path, TextHistoryBlock(kind, now, lines)) ? RecordOutcome::Written
                                                                        : RecordOutcome::TextDropped;

  std::string errorText;
  bool ok = FileExists(path) || CreateXmlHistoryFile(path, errorText);
  if (ok) ok = AppendXmlRecord(path, kind, now, lines, XmlHistoryStyle{cfg.XMLEncoding, cfg.XSLFile}, errorText);
  if (ok) return RecordOutcome::Written;
  messages_.ShowMessage(errorText, kHistoryCaption);
  return RecordOutcome::XmlFailed;
}

std::string HistoryRecorder::TodayPath(const RecCfg& rec) const {
  const std::string name = HistoryFileName(rec, clock_.Now());
  if (!IsValidFileName(name)) return {};
  return HistoryFolder(rec, programDir_) + name;
}

bool HistoryRecorder::OpenHistoryFile(const RecCfg& rec) {
  const std::string name = HistoryFileName(rec, clock_.Now());
  if (!IsValidFileName(name)) {
    messages_.ShowMessage(std::string(kBadFileNameText) + "\n" + name, kHistoryCaption);
    return false;
  }
  if (opener_.Open(HistoryFolder(rec, programDir_) + name)) return true;
  messages_.ShowMessage(kCannotOpenText, kHistoryCaption);
  return false;
}

}  // namespace sentrova
