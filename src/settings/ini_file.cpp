#include "settings/ini_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "settings/text.h"
#include "settings/text_file.h"

namespace sentrova {
namespace {

constexpr std::size_t kMaxValueBytes = 2047;
constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view TrimView(std::string_view s) {
  const std::size_t b = s.find_first_not_of(kBlanks);
  if (b == std::string_view::npos) return {};
  const std::size_t e = s.find_last_not_of(kBlanks);
  return s.substr(b, e - b + 1);
}

// Name as compared: decoded, ASCII letters in upper case. UTF-8 multi-byte
// sequences hold no ASCII bytes, so folding cannot change another character
// (folding the CP932 bytes could: trail bytes include ASCII letters).
std::string FoldName(std::string_view utf8) { return ToUpperAscii(utf8); }
std::string FoldCp932Name(std::string_view cp932) { return ToUpperAscii(FromCp932(cp932)); }

bool IsCp932Lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The longest prefix of at most max bytes that does not end inside a
// double-byte character.
std::string_view CutCp932(std::string_view s, std::size_t max) {
  if (s.size() <= max) return s;
  std::size_t i = 0;
  while (i < max) {
    const std::size_t len = IsCp932Lead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
    if (i + len > max) break;
    i += len;
  }
  return s.substr(0, i);
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

IniFile::IniFile(std::string path, FlushMode mode, int) : path_(std::move(path)), mode_(mode) {}

IniFile::IniFile(std::string path, FlushMode mode) : IniFile(std::move(path), mode, 0) {
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) return;  // no file yet
  std::string bytes;
  std::string err;
  if (!ReadWholeFile(path_, bytes, &err)) {
    unreadable_ = err;
    return;
  }
  Parse(bytes);
}

IniFile IniFile::FromBytes(std::string path, std::string_view bytes, FlushMode mode) {
  IniFile ini(std::move(path), mode, 0);
  ini.Parse(bytes);
  return ini;
}

void IniFile::Parse(std::string_view bytes) {
  lines_.clear();
  bool first = true;
  for (std::string& raw : SplitLines(bytes)) {
    lines_.push_back(ParseLine(std::move(raw), first));
    first = false;
  }
}

IniFile::Line IniFile::ParseLine(std::string raw, bool first) {
  Line line;
  line.raw = std::move(raw);
  std::string_view s = line.raw;
  if (first && s.substr(0, kUtf8Bom.size()) == kUtf8Bom) s.remove_prefix(kUtf8Bom.size());
  const std::size_t start = s.find_first_not_of(kBlanks);
  if (start == std::string_view::npos) return line;
  s.remove_prefix(start);
  if (s.front() == '[') {
    const std::size_t close = s.find(']');
    if (close != std::string_view::npos) {
      line.kind = Kind::Section;
      line.name = FoldCp932Name(TrimView(s.substr(1, close - 1)));
      return line;
    }
  }
  const std::size_t eq = s.find('=');
  if (eq == std::string_view::npos) return line;
  line.kind = Kind::Key;
  line.name = FoldCp932Name(TrimView(s.substr(0, eq)));
  line.valueAt = static_cast<std::size_t>(s.data() - line.raw.data()) + eq + 1;
  return line;
}

std::size_t IniFile::FindSection(const std::string& foldedName) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::Section && lines_[i].name == foldedName) return i;
  }
  return std::string::npos;
}

std::size_t IniFile::SectionEnd(std::size_t at) const {
  std::size_t i = at + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::Section) ++i;
  return i;
}

std::size_t IniFile::FindKey(std::size_t sectionAt, const std::string& foldedKey) const {
  const std::size_t end = SectionEnd(sectionAt);
  for (std::size_t i = sectionAt + 1; i < end; ++i) {
    if (lines_[i].kind == Kind::Key && lines_[i].name == foldedKey) return i;
  }
  return std::string::npos;
}

const IniFile::Line* IniFile::FindValue(std::string_view section, std::string_view key) const {
  const std::size_t at = FindSection(FoldName(section));
  if (at == std::string::npos) return nullptr;
  const std::size_t k = FindKey(at, FoldName(key));
  return k == std::string::npos ? nullptr : &lines_[k];
}

bool IniFile::SectionExists(std::string_view section) const {
  return FindSection(FoldName(section)) != std::string::npos;
}

std::string IniFile::ValueOf(const Line& line) {
  std::string_view v = TrimView(std::string_view(line.raw).substr(line.valueAt));
  // Blanks, quotes and CP932 trail bytes never share a byte value, so this
  // works on the raw bytes.
  if (v.size() >= 2 && (v.front() == '\'' || v.front() == '"') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  return FromCp932(CutCp932(v, kMaxValueBytes));
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  const Line* line = FindValue(section, key);
  return line ? ValueOf(*line) : std::string(def);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
  const Line* line = FindValue(section, key);
  if (!line) return def;
  int value = 0;
  return ParseInt(ValueOf(*line), value) ? value : def;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::Fail(std::string text) {
  error_ = std::move(text);
  return false;
}

bool IniFile::Commit(std::vector<Line>& previous) {
  if (mode_ == FlushMode::Explicit) return true;
  if (Flush()) return true;
  lines_ = std::move(previous);
  return false;
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  auto refuse = [&](const char* why) {
    return Fail(path_ + ": [" + std::string(section) + "] " + std::string(key) + ": " + why);
  };
  if (section.empty() || key.empty()) return refuse("empty name");
  if (TrimView(section) != section || TrimView(key) != key) return refuse("blanks around a name");
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return refuse("line break");
  if (section.find(']') != std::string_view::npos) return refuse("\"]\" in a section name");
  if (key.find('=') != std::string_view::npos || key.front() == '[') return refuse("\"=\" or \"[\" in a key name");

  std::vector<Line> previous;
  if (mode_ == FlushMode::EachWrite) previous = lines_;

  const std::string cpKey = ToCp932(key);
  const std::string cpValue = ToCp932(value);
  const std::size_t at = FindSection(FoldName(section));
  if (at == std::string::npos) {
    lines_.push_back(ParseLine("[" + ToCp932(section) + "]", lines_.empty()));
    lines_.push_back(ParseLine(cpKey + "=" + cpValue, false));
    return Commit(previous);
  }
  const std::size_t k = FindKey(at, FoldName(key));
  if (k != std::string::npos) {
    Line& line = lines_[k];
    line.raw.resize(line.valueAt);
    line.raw += cpValue;
    return Commit(previous);
  }
  // After the last non-blank line of the section, so that blank lines that
  // separate it from the next section stay where they are.
  std::size_t insertAt = at + 1;
  for (std::size_t i = at + 1, end = SectionEnd(at); i < end; ++i) {
    if (!TrimView(lines_[i].raw).empty()) insertAt = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), ParseLine(cpKey + "=" + cpValue, false));
  return Commit(previous);
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::EraseSection(std::string_view section) {
  const std::string name = FoldName(section);
  std::vector<Line> kept;
  kept.reserve(lines_.size());
  bool removed = false;
  for (std::size_t i = 0; i < lines_.size();) {
    if (lines_[i].kind == Kind::Section && lines_[i].name == name) {
      i = SectionEnd(i);
      removed = true;
    } else {
      kept.push_back(lines_[i++]);
    }
  }
  if (!removed) return true;
  std::vector<Line> previous = std::exchange(lines_, std::move(kept));
  return Commit(previous);
}

std::string IniFile::Bytes() const {
  std::size_t size = 0;
  for (const Line& l : lines_) size += l.raw.size() + 2;
  std::string out;
  out.reserve(size);
  for (const Line& l : lines_) {
    out += l.raw;
    out += "\r\n";
  }
  return out;
}

bool IniFile::Flush() {
  if (!unreadable_.empty()) return Fail(unreadable_);
  std::string err;
  if (!WriteFileAtomic(path_, Bytes(), &err)) return Fail(err);
  return true;
}

}  // namespace sentrova
