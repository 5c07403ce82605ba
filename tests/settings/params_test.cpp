#include "settings/params.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/term_list.h"

namespace sentrova {
namespace {

TEST(ExpandParams, Letters) {
  const std::vector<std::string> six = {"A", "PC01", "ﾛｸﾞｲﾝ", "WG", "NET", "10.0.0.1"};
  struct Case {
    const char* text;
    const char* want;
  } cases[] = {
      {"net send %U 100%%", "net send A 100%"},
      {"%R %C %D %N %I", "PC01 ﾛｸﾞｲﾝ WG NET 10.0.0.1"},
      {"trail %", "trail %"},
      {"%u %X", "%u %X"},
      {"%%U", "%U"},
      {"", ""},
      {"表%U", "表A"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandParams(c.text, ParamLetters, six), c.want) << c.text;
  EXPECT_EQ(ExpandParams("x %U", ParamLetters, {"1", "2", "3", "4", "5"}), "");
}

TEST(ExpandParams, ValuesAreNotExpandedAgain) {
  EXPECT_EQ(ExpandParams("%U", ParamLetters, {"%R", "x", "", "", "", ""}), "%R");
}

TEST(ActionParamsFromRow, StarsRemoved) {
  ListRow row;
  row.Caption = "user";
  row.SubItems[kSubResource] = "*PC01";
  row.SubItems[kSubState] = "未確認";
  row.SubItems[kSubDomain] = "WG";
  row.SubItems[kSubProvider] = "P";
  row.SubItems[kSubIP] = "*10.0.0.5";
  EXPECT_EQ(ActionParamsFromRow("%U|%R|%C|%D|%N|%I", row), "user|PC01|未確認|WG|P|10.0.0.5");
  row.SubItems[kSubIP] = "";
  EXPECT_EQ(ActionParamsFromRow("[%I]", row), "[]");
}

TEST(QuoteIfSpaced, Cases) {
  EXPECT_EQ(QuoteIfSpaced("C:\\in.wav"), "C:\\in.wav");
  EXPECT_EQ(QuoteIfSpaced("C:\\my sounds\\in.wav"), "\"C:\\my sounds\\in.wav\"");
  EXPECT_EQ(QuoteIfSpaced(""), "");
}

TEST(NormalizeIP, Cases) {
  struct Case {
    const char* text;
    bool valid;
    const char* want;
  } cases[] = {
      {"192.168.1.2", true, "192.168.  1.  2"},
      {"999.999.999.999", true, "999.999.999.999"},
      {"192.168.  1.  2", true, "192.168.  1.  2"},
      {"1.2.3.4", true, "  1.  2.  3.  4"},
      {"...", true, "   .   .   .   "},
      {"1.2.3", false, ""},
      {"1.2.3.4.5", false, ""},
      {"1234.1.1.1", false, ""},
      {"1.2.a.4", false, ""},
      {"1.2.3.4 ", true, "  1.  2.  3. 4 "},  // blanks count as characters
      {"-1.2.3.4", false, ""},
  };
  for (const auto& c : cases) {
    std::string out = "untouched";
    EXPECT_EQ(NormalizeIP(c.text, out), c.valid) << c.text;
    EXPECT_EQ(out, c.valid ? c.want : "untouched") << c.text;
  }
  std::string out = "untouched";
  EXPECT_TRUE(NormalizeIP("", out));
  EXPECT_EQ(out, "untouched");
}

}  // namespace
}  // namespace sentrova
