// Writing history records and opening today's history file.
//
// One HistoryRecorder serves the whole program (the main window owns it).
// Each record takes the kind's settings, puts today's date into the kind's
// file name and appends to that file: an XML element when the name ends in
// ".xml" (any case), else a block of CP932 text lines. Nothing is kept
// between records.
#pragma once

#include <string>
#include <vector>

#include "history/history_lines.h"
#include "history/history_seams.h"

namespace sentrova {

struct RecCfg;
struct SentrovaCfg;

// The caption of the recorder's messages.
inline constexpr const char* kHistoryCaption = "Sentrova Ver 2.10a";
// Shown, with a line feed and the name, for a name with a forbidden character.
inline constexpr const char* kBadFileNameText = "ファイル名が不正です。";
// Shown when the desktop could not open the file.
inline constexpr const char* kCannotOpenText = "起動できません！";

enum class RecordOutcome {
  Written,      // the record is in the file
  BadName,      // the expanded name was rejected (message shown)
  TextDropped,  // a text file could not be created or written (nothing shown)
  XmlFailed,    // the XML file was left unchanged (message shown)
  BadKind,      // kind is not 0, 1 or 2
};

// "[Login]--------------[2009/10/12(月) 13:05:30]-----------------" and the
// like for the other kinds; empty for an unknown kind.
std::string HistoryHeaderLine(HistoryKind kind, const LocalDateTime& now);

// The lines of one text record: the header; the user names (login, logout)
// or the access lines without their marker; and ".".
std::vector<std::string> TextHistoryBlock(HistoryKind kind, const LocalDateTime& now, const HistoryLines& lines);

// Appends lines to the file at path in CP932, each ended by CR LF, creating
// the file when it is missing; what is there is never cut. False when the
// file cannot be opened or written.
bool AppendTextHistory(const std::string& path, const std::vector<std::string>& lines);

class HistoryRecorder {
 public:
  // programDir: the program's folder with its trailing separator, used when
  // a kind's RecordFolder is empty.
  HistoryRecorder(const HistoryClock& clock, HistoryMessageSink& messages, HistoryFileOpener& opener,
                  std::string programDir);

  // Writes one record of kind from lines (see HistoryLines) with the kind's
  // Rec settings (cfg.Login.Rec, cfg.Logout.Rec, cfg.Access.Rec) and, for XML
  // files, cfg.XMLEncoding and cfg.XSLFile. DoRecord is the caller's to test.
  RecordOutcome RecordHistory(HistoryKind kind, const SentrovaCfg& cfg, const HistoryLines& lines);

  // Hands today's file of one kind to the desktop's opener (whether or not
  // the file exists or recording is on). False, with a message shown, when
  // the name is rejected or the opener fails.
  bool OpenHistoryFile(const RecCfg& rec);

  // Today's path of one kind: folder + expanded name. Empty when the name is
  // rejected.
  std::string TodayPath(const RecCfg& rec) const;

 private:
  const HistoryClock& clock_;
  HistoryMessageSink& messages_;
  HistoryFileOpener& opener_;
  std::string programDir_;
};

}  // namespace sentrova
