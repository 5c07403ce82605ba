// An INI file read and written the way the Windows profile functions do it.
//
// The file is CP932 text of section lines ("[name]") each followed by lines
// "key=value". Section and key names are compared without regard to ASCII
// letter case. The first of several sections with one name, and the first of
// several keys with one name inside it, is the one that counts. Lines that are
// neither (comments, lines without "=", a "[" without "]", stray bytes) are
// kept as they are and otherwise ignored.
//
// Reading: the value is the text after the first "=", with surrounding blanks
// removed and then one pair of equal quote characters (' or ") around it
// removed, cut to at most 2047 bytes of CP932 without splitting a character.
// A missing file, section or key yields the caller's default.
//
// Writing: the value of an existing key is replaced where it stands; a new key
// goes after the last non-blank line of its section; a new section goes at the
// end of the file. Lines that are not touched keep their bytes. The whole file
// is rewritten through a temporary file and a rename, so the file on disk is
// always either the old or the new content, never a mixture.
//
// By default every write goes to the file at once. With FlushMode::Explicit
// writes only change the content held here until Flush() writes it in one go
// (used to write many keys with one file replacement).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sentrova {

class IniFile {
 public:
  enum class FlushMode { EachWrite, Explicit };

  // Reads the file at path. A missing file gives an empty file. A file that
  // exists but cannot be read also reads as empty, but then every write fails
  // (its content must not be replaced by what little we know of it).
  explicit IniFile(std::string path, FlushMode mode = FlushMode::EachWrite);

  // Parses bytes as if they were the file at path (nothing is read).
  static IniFile FromBytes(std::string path, std::string_view bytes, FlushMode mode = FlushMode::EachWrite);

  const std::string& Path() const { return path_; }

  // Reading. Names and values are UTF-8; the file holds CP932.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // Decimal, or hexadecimal after "0x"/"0X"; a value that is no 32-bit integer gives def.
  int ReadInteger(std::string_view section, std::string_view key, int def) const;
  // ReadInteger with 0 or 1 as default; any value but 0 is true.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  bool SectionExists(std::string_view section) const;

  // Writing. False, with LastError() set to a text naming the file, when the
  // value cannot be stored: a line break in a name or value, a section name
  // with "]", a key name with "=", a name with surrounding blanks or an empty
  // name, or (in EachWrite mode) when the file cannot be written. After a
  // failed write the content held here and the file are as before the write.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, int value);
  bool WriteBool(std::string_view section, std::string_view key, bool value);

  // Removes every section of that name with all its lines. Writes the file
  // (EachWrite mode) only when something was removed.
  bool EraseSection(std::string_view section);

  // Writes the content held here to the file. False with LastError() set when
  // it cannot; the file is then left as it was.
  bool Flush();

  // The file's bytes as Flush would write them.
  std::string Bytes() const;

  const std::string& LastError() const { return error_; }

 private:
  enum class Kind { Other, Section, Key };
  struct Line {
    std::string raw;         // CP932 bytes as in the file, without the line end
    Kind kind = Kind::Other;
    std::string name;        // Section / Key: the name, UTF-8, ASCII upper case
    std::size_t valueAt = 0; // Key: offset of the value in raw (after "=")
  };

  IniFile(std::string path, FlushMode mode, int);
  void Parse(std::string_view bytes);
  static Line ParseLine(std::string raw, bool first);
  // Index of the first section line with that name, or npos.
  std::size_t FindSection(const std::string& foldedName) const;
  // End of the section starting at line index `at` (index of the next section line or size()).
  std::size_t SectionEnd(std::size_t at) const;
  std::size_t FindKey(std::size_t sectionAt, const std::string& foldedKey) const;
  const Line* FindValue(std::string_view section, std::string_view key) const;
  static std::string ValueOf(const Line& line);
  bool Fail(std::string text);
  bool Commit(std::vector<Line>& previous);

  std::string path_;
  FlushMode mode_;
  std::vector<Line> lines_;
  std::string unreadable_;  // set when the file exists but could not be read
  std::string error_;
};

}  // namespace sentrova
