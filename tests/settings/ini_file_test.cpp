#include "settings/ini_file.h"
#include "support/file_size_limit.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/text.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::size_t FileCount(const std::string& dir) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

const std::string kSample =
    "; written by hand\r\n"
    "[Main]\r\n"
    "Plain=abc\r\n"
    "  Spaced  =   two words  \r\n"
    "Single='quoted'\r\n"
    "Double=\"quoted \"\r\n"
    "Mixed='half\"\r\n"
    "Lone='\r\n"
    "Inner=a'b'\r\n"
    "Empty=\r\n"
    "Hex=0x7D0\r\n"
    "HexUpper=0X7d0\r\n"
    "Negative=-1\r\n"
    "Big=70000\r\n"
    "NotInt=12abc\r\n"
    "TooBig=4294967296\r\n"
    "Eq=a=b\r\n"
    "Kana=\x83\x4a\x83\x69\r\n"  // カナ
    "NoEquals\r\n"
    "\r\n"
    "[ second ]\r\n"
    "key=2\r\n";

TEST(IniFile, ReadsValuesTheProfileWay) {
  const IniFile ini = IniFile::FromBytes("x.ini", kSample);
  struct Case {
    const char* section;
    const char* key;
    const char* want;
  };
  const Case cases[] = {
      {"Main", "Plain", "abc"},          {"MAIN", "plain", "abc"},         {"Main", "Spaced", "two words"},
      {"Main", "Single", "quoted"},      {"Main", "Double", "quoted "},    {"Main", "Mixed", "'half\""},
      {"Main", "Lone", "'"},             {"Main", "Inner", "a'b'"},        {"Main", "Empty", ""},
      {"Main", "Eq", "a=b"},             {"Main", "Kana", "カナ"},         {"Second", "KEY", "2"},
      {"Main", "NoEquals", "<default>"}, {"Main", "Missing", "<default>"}, {"Nope", "Plain", "<default>"},
      {"Main", "key", "<default>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.want) << c.section << "/" << c.key;
  }
  EXPECT_TRUE(ini.SectionExists("second"));
  EXPECT_FALSE(ini.SectionExists("third"));
}

TEST(IniFile, ReadsIntegersAndBooleans) {
  const IniFile ini = IniFile::FromBytes("x.ini", kSample);
  struct Case {
    const char* key;
    int want;
  };
  const Case cases[] = {{"Hex", 2000},     {"HexUpper", 2000}, {"Negative", -1}, {"Big", 70000}, {"NotInt", 5},
                        {"TooBig", 5},     {"Empty", 5},       {"Plain", 5},     {"Missing", 5}, {"Lone", 5}};
  for (const Case& c : cases) EXPECT_EQ(ini.ReadInteger("Main", c.key, 5), c.want) << c.key;
  EXPECT_TRUE(ini.ReadBool("Main", "Negative", false));
  EXPECT_TRUE(ini.ReadBool("Main", "Missing", true));
  EXPECT_FALSE(ini.ReadBool("Main", "Missing", false));
  EXPECT_TRUE(ini.ReadBool("Main", "NotInt", true));  // not an integer: the default
  EXPECT_FALSE(ini.ReadBool("Main", "NotInt", false));
  const IniFile zero = IniFile::FromBytes("x.ini", "[a]\r\nb=0\r\n");
  EXPECT_FALSE(zero.ReadBool("a", "b", true));
}

TEST(IniFile, FirstSectionAndFirstKeyWin) {
  const IniFile ini = IniFile::FromBytes("x.ini", "[A]\nk=1\nk=2\n[B]\nk=3\n[a]\nk=4\nonly=5\n");
  EXPECT_EQ(ini.ReadInteger("A", "k", 0), 1);
  EXPECT_EQ(ini.ReadInteger("a", "only", 0), 0);  // the second [a] is not looked at
  EXPECT_EQ(ini.ReadInteger("B", "k", 0), 3);
}

TEST(IniFile, ValuesAreCutAt2047BytesWithoutSplittingACharacter) {
  const std::string ascii(3000, 'x');
  // 2046 ASCII bytes then a double-byte character: taking it would need 2048.
  const std::string kanaAtEnd = std::string(2046, 'y') + "\x83\x4a" + "zz";
  const IniFile ini = IniFile::FromBytes("x.ini", "[s]\r\na=" + ascii + "\r\nb=" + kanaAtEnd + "\r\nc='" +
                                                      std::string(2047, 'q') + "'\r\n");
  EXPECT_EQ(ini.ReadString("s", "a", ""), std::string(2047, 'x'));
  EXPECT_EQ(ini.ReadString("s", "b", ""), std::string(2046, 'y'));
  EXPECT_EQ(ini.ReadString("s", "c", ""), std::string(2047, 'q'));  // quotes removed before the cut
}

TEST(IniFile, WritesReachTheFileAndKeepOtherLines) {
  TempDir dir;
  const std::string path = dir.File("Sentrova.ini");
  // A stray byte in a comment and a line ending in LF only.
  WriteBytes(path, "[Main]\r\n;\x80\xff odd\r\nPlain=abc\nOther=1\r\n\r\n[Next]\r\nk=v\r\n");
  IniFile ini(path);
  ASSERT_TRUE(ini.WriteString("main", "PLAIN", "新しい"));
  // Written at once: a fresh reader sees it.
  EXPECT_EQ(IniFile(path).ReadString("Main", "Plain", ""), "新しい");
  ASSERT_TRUE(ini.WriteInteger("Main", "Added", -5));
  ASSERT_TRUE(ini.WriteBool("New", "Flag", true));
  ASSERT_TRUE(ini.WriteBool("New", "Off", false));
  EXPECT_EQ(ReadBytes(path),
            "[Main]\r\n;\x80\xff odd\r\nPlain=\x90\x56\x82\xb5\x82\xa2\r\nOther=1\r\nAdded=-5\r\n\r\n"
            "[Next]\r\nk=v\r\n[New]\r\nFlag=1\r\nOff=0\r\n");
  EXPECT_EQ(FileCount(dir.path()), 1u);
}

TEST(IniFile, ExplicitModeWritesOnlyOnFlush) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  IniFile ini(path, IniFile::FlushMode::Explicit);
  ASSERT_TRUE(ini.WriteString("s", "k", "v"));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(ini.ReadString("s", "k", ""), "v");
  ASSERT_TRUE(ini.Flush());
  EXPECT_EQ(ReadBytes(path), "[s]\r\nk=v\r\n");
}

TEST(IniFile, RefusesWritesThatWouldBreakTheFile) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  WriteBytes(path, "[s]\r\nk=v\r\n");
  IniFile ini(path);
  struct Case {
    const char* section;
    const char* key;
    const char* value;
  };
  const Case cases[] = {{"s", "k", "a\r\n[x]"}, {"s", "k", "a\nb"}, {"s", "k", "a\rb"}, {"s]", "k", "v"},
                        {"s", "k=", "v"},       {"s", "[k]", "v"},  {"", "k", "v"},     {"s", "", "v"},
                        {"s", " k", "v"},       {"s\n", "k", "v"}};
  for (const Case& c : cases) {
    EXPECT_FALSE(ini.WriteString(c.section, c.key, c.value)) << c.section << "/" << c.key;
    EXPECT_NE(ini.LastError().find(path), std::string::npos);
  }
  EXPECT_EQ(ReadBytes(path), "[s]\r\nk=v\r\n");
  EXPECT_EQ(ini.ReadString("s", "k", ""), "v");
}

TEST(IniFile, EraseSectionRemovesEveryCopyAndItsKeys) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  WriteBytes(path, "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n");
  IniFile ini(path);
  ASSERT_TRUE(ini.EraseSection("a"));
  EXPECT_EQ(ReadBytes(path), "[B]\r\ny=2\r\n");
  EXPECT_EQ(ini.ReadString("A", "x", "-"), "-");
  // Erasing what is not there does not touch the file.
  std::filesystem::remove(path);
  ASSERT_TRUE(ini.EraseSection("C"));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(IniFile, UnreadableFileIsNeverOverwritten) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  std::filesystem::create_directory(path);  // exists, cannot be read as a file
  IniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("s", "k", 9), 9);
  EXPECT_FALSE(ini.WriteInteger("s", "k", 1));
  EXPECT_NE(ini.LastError().find(path), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(IniFile, FailedWriteKeepsFileAndContent) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  const std::string before = "[s]\r\nk=old\r\n";
  WriteBytes(path, before);
  IniFile ini(path);
  const bool written = test::WithFileSizeLimit(16, [&] { return ini.WriteString("s", "k", std::string(100, 'n')); });
  EXPECT_FALSE(written);
  EXPECT_NE(ini.LastError().find(path), std::string::npos);
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(ini.ReadString("s", "k", ""), "old");
  EXPECT_EQ(FileCount(dir.path()), 1u);
  // The next write starts from the file's content, not from the failed one.
  ASSERT_TRUE(ini.WriteString("s", "j", "1"));
  EXPECT_EQ(ReadBytes(path), "[s]\r\nk=old\r\nj=1\r\n");
}

TEST(IniFile, AnyBytesLoadAndSurviveARewrite) {
  const std::string hugeLine(100 * 1024, 'L');
  const std::vector<std::string> inputs = {
      "",
      std::string("\0\x01\xff\xfe\x80[\0]=\0", 11),
      "[Main\r\nPlain=1\r\n",           // no "]": not a section
      "Plain=1\r\n[Main]\r\n",          // key before any section
      "[Main]\r\nPlain\r\n=\r\n==\r\n",  // no usable key
      "[Main]\r\n" + hugeLine + "\r\nPlain=" + hugeLine + "\r\n",
      "[Main]\r\nPlain=\xe3\x81\x82\x83\r\n",  // UTF-8 and a lone CP932 lead byte
      "\xEF\xBB\xBF[Main]\r\nBom=1\r\n",
      "[]\r\n=x\r\n[\r\n]\r\n\r\r\n\n",
  };
  TempDir dir;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const std::string path = dir.File("f" + std::to_string(i));
    WriteBytes(path, inputs[i]);
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Main", "Missing", 7), 7);
    (void)ini.ReadString("Main", "Plain", "");
    ASSERT_TRUE(ini.WriteString("Main", "Added", "v")) << i;
    EXPECT_EQ(IniFile(path).ReadString("Main", "Added", ""), "v") << i;
    // Every original line is still there, byte for byte, and in its place.
    std::vector<std::string> after = SplitLines(ReadBytes(path));
    const std::vector<std::string> before = SplitLines(inputs[i]);
    const auto added = std::find(after.begin(), after.end(), "Added=v");
    ASSERT_NE(added, after.end()) << i;
    after.erase(added);
    if (after.size() == before.size() + 1 && after.back() == "[Main]") after.pop_back();
    EXPECT_EQ(after, before) << i;
  }
  EXPECT_EQ(IniFile(dir.File("f2")).ReadInteger("Main", "Plain", 0), 0);
  EXPECT_EQ(IniFile(dir.File("f5")).ReadString("Main", "Plain", "").size(), 2047u);
  EXPECT_EQ(IniFile(dir.File("f7")).ReadInteger("Main", "Bom", 0), 1);
  // The stray bytes come back unchanged.
  EXPECT_NE(ReadBytes(dir.File("f6")).find("Plain=\xe3\x81\x82\x83\r\n"), std::string::npos);
}

}  // namespace
}  // namespace sentrova
