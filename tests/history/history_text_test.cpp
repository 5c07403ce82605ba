#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "history/history_names.h"
#include "history/history_recorder.h"
#include "history_fakes.h"
#include "settings/settings_cfg.h"
#include "settings/text.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

using test::ReadBytes;

SentrovaCfg DefaultRecordCfg() {
  SentrovaCfg cfg;
  for (RecCfg* rec : {&cfg.Login.Rec, &cfg.Logout.Rec, &cfg.Access.Rec}) {
    rec->DoRecord = true;
    rec->RecordFile = "SV%y%m%d";
    rec->RecordFileExp = "log";
  }
  cfg.XMLEncoding = "UTF-8";
  return cfg;
}

std::vector<std::string> DirEntries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class TextHistory : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::FixedClock clock{test::Jan5()};
  test::RecordingSink sink;
  test::FakeOpener opener;
  HistoryRecorder recorder{clock, sink, opener, dir.path()};
  SentrovaCfg cfg = DefaultRecordCfg();
};

TEST(HistoryHeaderLine, HasTheSameLengthForEveryKind) {
  const LocalDateTime t = test::Oct12();
  EXPECT_EQ(HistoryHeaderLine(kHistoryLogin, t), "[Login]--------------[2009/10/12(月) 13:06:00]-----------------");
  EXPECT_EQ(HistoryHeaderLine(kHistoryLogout, t), "[Logout]-------------[2009/10/12(月) 13:06:00]-----------------");
  EXPECT_EQ(HistoryHeaderLine(kHistoryAccess, t), "[Access]-------------[2009/10/12(月) 13:06:00]-----------------");
  EXPECT_EQ(HistoryHeaderLine(static_cast<HistoryKind>(3), t), "");
}

TEST_F(TextHistory, TwoLoginsAreFourLinesInCp932) {
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"SATO\tPC01", "佐藤\tPC02"}), RecordOutcome::Written);
  const std::string expected =
      "[Login]--------------[2010/01/05(\x89\xce) 09:08:07]-----------------\r\n"
      "SATO\r\n"
      "\x8d\xb2\x93\xa1\r\n"
      ".\r\n";
  EXPECT_EQ(ReadBytes(dir.File("SV20100105.log")), expected);
  EXPECT_TRUE(sink.Messages.empty());
}

TEST_F(TextHistory, AccessBlockOfTheExampleByteForByte) {
  clock.Set(test::Oct12());
  ASSERT_EQ(recorder.RecordHistory(kHistoryAccess, cfg,
                                   {"0SATO\tPC01\t01:15:42\t00:00:12", "1DOCS\tSATO", "2DOCS\\plan\\a.txt"}),
            RecordOutcome::Written);
  const std::string expected =
      "[Access]-------------[2009/10/12(\x8c\x8e) 13:06:00]-----------------\r\n"
      "SATO\tPC01\t01:15:42\t00:00:12\r\n"
      "DOCS\tSATO\r\n"
      "DOCS\\plan\\a.txt\r\n"
      ".\r\n";
  EXPECT_EQ(ReadBytes(dir.File("SV20091012.log")), expected);
}

TEST_F(TextHistory, KindsInterleaveInOneDailyFileAndNothingIsCut) {
  test::WriteBytes(dir.File("SV20100105.log"), "earlier\r\n");
  recorder.RecordHistory(kHistoryLogin, cfg, {"A\tPC1"});
  recorder.RecordHistory(kHistoryLogout, cfg, {"B\tPC2"});
  recorder.RecordHistory(kHistoryAccess, cfg, {"0C\tPC3\t00:00:01\t00:00:00"});
  std::vector<std::string> lines = SplitLines(FromCp932(ReadBytes(dir.File("SV20100105.log"))));
  const std::vector<std::string> expected = {
      "earlier",
      "[Login]--------------[2010/01/05(火) 09:08:07]-----------------", "A", ".",
      "[Logout]-------------[2010/01/05(火) 09:08:07]-----------------", "B", ".",
      "[Access]-------------[2010/01/05(火) 09:08:07]-----------------", "C\tPC3\t00:00:01\t00:00:00", ".",
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(TextHistory, NameWithAForbiddenCharacterWritesNothing) {
  for (const char* pattern : {"SV%y:%m", "SV%y,%m"}) {
    cfg.Login.Rec.RecordFile = pattern;
    sink.Messages.clear();
    EXPECT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"SATO\tPC01"}), RecordOutcome::BadName);
    ASSERT_EQ(sink.Messages.size(), 1u);
    const std::string name = ExpandNamePattern(std::string(pattern) + ".log", test::Jan5());
    EXPECT_EQ(sink.Messages[0].Text, "ファイル名が不正です。\n" + name);
    EXPECT_EQ(sink.Messages[0].Caption, "Sentrova Ver 2.10a");
  }
  EXPECT_TRUE(DirEntries(dir.path()).empty());
}

TEST_F(TextHistory, FolderIsJoinedToTheNameDirectly) {
  cfg.Logout.Rec.RecordFolder = dir.path() + "logs";
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogout, cfg, {"SATO\tPC01"}), RecordOutcome::Written);
  EXPECT_EQ(DirEntries(dir.path()), std::vector<std::string>{"logsSV20100105.log"});

  cfg.Logout.Rec.RecordFolder = dir.path() + "sub/";
  std::filesystem::create_directory(dir.path() + "sub");
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogout, cfg, {"SATO\tPC01"}), RecordOutcome::Written);
  EXPECT_EQ(DirEntries(dir.path() + "sub"), std::vector<std::string>{"SV20100105.log"});
}

TEST_F(TextHistory, UnwritableFileLosesTheRecordSilently) {
  cfg.Login.Rec.RecordFolder = dir.path() + "missing/";
  EXPECT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"SATO\tPC01"}), RecordOutcome::TextDropped);
  std::filesystem::create_directory(dir.File("SV20100105.log"));
  cfg.Login.Rec.RecordFolder.clear();
  EXPECT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"SATO\tPC01"}), RecordOutcome::TextDropped);
  ASSERT_EQ(::mkfifo(dir.File("pipe.log").c_str(), 0600), 0);  // must not wait for a reader
  cfg.Login.Rec.RecordFile = "pipe";
  EXPECT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"SATO\tPC01"}), RecordOutcome::TextDropped);
  EXPECT_TRUE(sink.Messages.empty());
}

TEST_F(TextHistory, ExtensionDecidesTheFormat) {
  for (const char* ext : {"xmlx", "txt"}) {
    cfg.Login.Rec.RecordFileExp = ext;
    ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"SATO\tPC01"}), RecordOutcome::Written);
    EXPECT_EQ(ReadBytes(dir.File(std::string("SV20100105.") + ext)).substr(0, 7), "[Login]") << ext;
  }
  cfg.Login.Rec.RecordFileExp = "Xml";
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"SATO\tPC01"}), RecordOutcome::Written);
  EXPECT_EQ(ReadBytes(dir.File("SV20100105.Xml")).substr(0, 5), "<?xml");
}

TEST_F(TextHistory, UnknownKindDoesNothing) {
  EXPECT_EQ(recorder.RecordHistory(static_cast<HistoryKind>(7), cfg, {"x"}), RecordOutcome::BadKind);
  EXPECT_TRUE(DirEntries(dir.path()).empty());
}

}  // namespace
}  // namespace sentrova
