#include "history/history_names.h"

#include <gtest/gtest.h>

#include "history_fakes.h"
#include "settings/settings_cfg.h"

namespace sentrova {
namespace {

using test::Jan5;

TEST(ExpandNamePattern, PutsTheDateIntoThePattern) {
  const struct {
    const char* pattern;
    const char* expected;
  } cases[] = {
      {"SV%y%m%d.log", "SV20100105.log"},
      {"%Y-%m", "10-01"},
      {"a%%b%", "a%b"},
      {"%M%D%x", "MDx"},  // case matters; unknown letters are copied
      {"%d日%", "05日"},
      {"%", ""},
      {"", ""},
      {"plain.txt", "plain.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandNamePattern(c.pattern, Jan5()), c.expected) << c.pattern;
}

TEST(ExpandNamePattern, TakesTheDateFromTheClock) {
  const test::FixedClock clock({2009, 10, 12, 23, 59, 59, 1});
  EXPECT_EQ(ExpandNamePattern("SV%y%m%d.log", clock), "SV20091012.log");
}

TEST(IsValidFileName, RejectsTheElevenCharacters) {
  for (const char c : std::string("\\/:,;*?\"<>|")) {
    EXPECT_FALSE(IsValidFileName(std::string("SV2010") + c + "0105.log")) << c;
    EXPECT_FALSE(IsValidFileName(std::string(1, c))) << c;
  }
  for (const char* ok : {"SV20100105.log", "履歴 2010.xml", "a%b.txt", "-_+=[]{}()!#$&'~.log", ""})
    EXPECT_TRUE(IsValidFileName(ok)) << ok;
}

TEST(IsXmlHistoryPath, LooksAtTheLastExtensionInAnyCase) {
  EXPECT_TRUE(IsXmlHistoryPath("/var/log/SV20100105.Xml"));
  EXPECT_TRUE(IsXmlHistoryPath("a.XML"));
  EXPECT_TRUE(IsXmlHistoryPath("a.xml"));
  EXPECT_TRUE(IsXmlHistoryPath("a.log.xml"));
  EXPECT_FALSE(IsXmlHistoryPath("a.xmlx"));
  EXPECT_FALSE(IsXmlHistoryPath("a.txt"));
  EXPECT_FALSE(IsXmlHistoryPath("a.xml.log"));
  EXPECT_FALSE(IsXmlHistoryPath("/d.xml/axml"));
  EXPECT_FALSE(IsXmlHistoryPath("xml"));
}

TEST(HistoryFolder, IsTheRecordFolderAsItStandsOrTheProgramFolder) {
  RecCfg rec;
  EXPECT_EQ(HistoryFolder(rec, "/opt/sentrova/"), "/opt/sentrova/");
  rec.RecordFolder = "/var/logs";
  EXPECT_EQ(HistoryFolder(rec, "/opt/sentrova/"), "/var/logs");
  rec.RecordFile = "SV%y%m%d";
  rec.RecordFileExp = "log";
  EXPECT_EQ(HistoryFolder(rec, "/opt/") + HistoryFileName(rec, {2009, 10, 12, 0, 0, 0, 1}), "/var/logsSV20091012.log");
}

TEST(HistoryDateText, NamesTheWeekday) {
  const char* names[7] = {"日", "月", "火", "水", "木", "金", "土"};
  for (int wd = 0; wd < 7; ++wd) {
    LocalDateTime t{2009, 10, 11 + wd, 13, 5, 30, wd};
    EXPECT_EQ(HistoryDateText(t), "2009/10/" + std::to_string(11 + wd) + "(" + names[wd] + ")");
  }
  EXPECT_EQ(HistoryDateText(Jan5()), "2010/01/05(火)");
  EXPECT_EQ(HistoryTimeText(Jan5()), "09:08:07");
}

}  // namespace
}  // namespace sentrova
