#include "settings/text.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace sentrova {
namespace {

struct CodeCase {
  const char* name;
  std::string utf8;
  std::string cp932;
};

TEST(Cp932, ConvertsBothWays) {
  const std::vector<CodeCase> cases = {
      {"ascii", "PC01\tabc", "PC01\tabc"},
      {"kanji", "未確認", "\x96\xa2\x8a\x6d\x94\x46"},
      {"halfwidth kana", "ﾛｸﾞｲﾝ", "\xdb\xb8\xde\xb2\xdd"},
      {"trail byte 0x5c", "表", "\x95\x5c"},
      {"backslash and tilde stay ASCII", "\\~", "\\~"},
      {"vendor characters", "①㈱～－", "\x87\x40\x87\x8a\x81\x60\x81\x7c"},
      {"empty", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    bool lossless = false;
    EXPECT_EQ(ToCp932(c.utf8, &lossless), c.cp932);
    EXPECT_TRUE(lossless);
    EXPECT_EQ(FromCp932(c.cp932), c.utf8);
    EXPECT_EQ(Cp932Length(c.utf8), c.cp932.size());
  }
}

TEST(Cp932, InvalidBytesSurviveARoundTrip) {
  const std::vector<std::string> inputs = {
      std::string("\x80", 1),
      "A\xff" "B",
      "\x81",                     // lead byte cut off at the end
      "\x81\x20x",                // lead byte with a bad trail byte
      "\xfd\xfe\xa0",             // never valid
      "\x85\x40\x96\xa2",         // unassigned pair then a kanji
      std::string("\x00\x81", 2),
  };
  for (const auto& bytes : inputs) {
    const std::string text = FromCp932(bytes);
    bool lossless = false;
    EXPECT_EQ(ToCp932(text, &lossless), bytes) << "bytes of length " << bytes.size();
    EXPECT_TRUE(lossless);
  }
  // The valid parts decode normally around the stray byte.
  const std::string mixed = FromCp932("A\xff\x96\xa2");
  EXPECT_EQ(mixed.substr(0, 1), "A");
  EXPECT_EQ(mixed.substr(mixed.size() - 3), "未");
}

TEST(Cp932, UnmappableCharactersBecomeQuestionMarks) {
  bool lossless = true;
  EXPECT_EQ(ToCp932("a\xF0\x9F\x98\x80" "b", &lossless), "a?b");  // an emoji
  EXPECT_FALSE(lossless);
  lossless = true;
  EXPECT_EQ(ToCp932("x\xC3(y", &lossless), "x?(y");  // malformed UTF-8
  EXPECT_FALSE(lossless);
  EXPECT_EQ(Cp932Length("ｱア"), 3u);
}

TEST(TextHelpers, ReplaceAll) {
  EXPECT_EQ(ReplaceAll("a\r\nb\r\nc", "\r\n", "\n"), "a\nb\nc");
  EXPECT_EQ(ReplaceAll("aaaa", "aa", "a"), "a");  // replaced again and again
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("a.b", ".", ".."), "a..b");  // would never end: once each
  EXPECT_EQ(ReplaceAll("none", "x", "y"), "none");
}

TEST(TextHelpers, FieldOf) {
  const std::vector<std::tuple<std::string, char, int, std::string>> cases = {
      {"a\tb\tc", '\t', 0, "a"}, {"a\tb\tc", '\t', 2, "c"}, {"a\tb\tc", '\t', 3, ""},
      {"a,,c", ',', 1, ""},      {"", ',', 0, ""},         {"x", ',', -1, ""},
      {"a,b,", ',', 2, ""},
  };
  for (const auto& [text, sep, n, want] : cases) {
    EXPECT_EQ(FieldOf(text, sep, n), want) << text << " #" << n;
  }
}

TEST(TextHelpers, TrimAndLines) {
  EXPECT_EQ(TrimLeftChar("\\\\PC01", '\\'), "PC01");
  EXPECT_EQ(TrimLeftChar("***", '*'), "");
  EXPECT_EQ(TrimRightChar("abc\n\n", '\n'), "abc");
  EXPECT_EQ(TrimRightChar("a\nb", '\n'), "a\nb");
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd\r\n"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
  EXPECT_EQ(JoinLinesCrlf({"a", ""}), "a\r\n\r\n");
}

TEST(TextHelpers, ParseInt) {
  const std::vector<std::tuple<std::string, bool, int>> cases = {
      {"12", true, 12},          {"-1", true, -1},     {" 7", true, 7},
      {"0x7D0", true, 2000},     {"0XfF", true, 255},  {"$10", true, 16},
      {"0xFFFFFFFF", true, -1},  {"", false, 0},       {"E", false, 0},
      {"12a", false, 0},         {"-", false, 0},      {"2147483647", true, 2147483647},
      {"2147483648", false, 0},  {"-2147483648", true, -2147483647 - 1}, {"0x", false, 0},
  };
  for (const auto& [text, ok, want] : cases) {
    int value = 12345;
    EXPECT_EQ(ParseInt(text, value), ok) << text;
    if (ok) {
      EXPECT_EQ(value, want) << text;
    }
  }
}

}  // namespace
}  // namespace sentrova
