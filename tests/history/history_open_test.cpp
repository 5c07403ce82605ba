#include <gtest/gtest.h>

#include <filesystem>

#include "history/history_recorder.h"
#include "history_fakes.h"
#include "platform/stderr_messages.h"
#include "platform/xdg_file_opener.h"
#include "settings/settings_cfg.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

class OpenHistory : public ::testing::Test {
 protected:
  OpenHistory() {
    rec.RecordFile = "SV%y%m%d";
    rec.RecordFileExp = "log";
  }
  test::TempDir dir;
  test::FixedClock clock{test::Jan5()};
  test::RecordingSink sink;
  test::FakeOpener opener;
  HistoryRecorder recorder{clock, sink, opener, dir.path()};
  RecCfg rec;
};

TEST_F(OpenHistory, HandsTodaysFileToTheOpenerEvenWhenRecordingIsOff) {
  rec.DoRecord = false;
  EXPECT_TRUE(recorder.OpenHistoryFile(rec));
  EXPECT_EQ(opener.Opened, std::vector<std::string>{dir.File("SV20100105.log")});
  EXPECT_TRUE(sink.Messages.empty());
  EXPECT_FALSE(std::filesystem::exists(dir.File("SV20100105.log")));  // not created

  rec.RecordFolder = "/srv/logs";
  rec.RecordFileExp = "Xml";
  EXPECT_TRUE(recorder.OpenHistoryFile(rec));
  EXPECT_EQ(opener.Opened.back(), "/srv/logsSV20100105.Xml");
  EXPECT_EQ(recorder.TodayPath(rec), "/srv/logsSV20100105.Xml");
}

TEST_F(OpenHistory, RejectedNameIsShownAndNotOpened) {
  rec.RecordFile = "a|%y";
  EXPECT_FALSE(recorder.OpenHistoryFile(rec));
  EXPECT_TRUE(opener.Opened.empty());
  ASSERT_EQ(sink.Messages.size(), 1u);
  EXPECT_EQ(sink.Messages[0].Text, "ファイル名が不正です。\na|2010.log");
  EXPECT_EQ(sink.Messages[0].Caption, "Sentrova Ver 2.10a");
  EXPECT_EQ(recorder.TodayPath(rec), "");
}

TEST_F(OpenHistory, OpenerFailureIsShown) {
  opener.Result = false;
  EXPECT_FALSE(recorder.OpenHistoryFile(rec));
  ASSERT_EQ(sink.Messages.size(), 1u);
  EXPECT_EQ(sink.Messages[0].Text, "起動できません！");
  EXPECT_EQ(sink.Messages[0].Caption, "Sentrova Ver 2.10a");
}

// The real opener, with harmless programs in place of xdg-open.
TEST(XdgFileOpener, ReportsTheOpenersOutcome) {
  test::TempDir dir;
  const std::string file = dir.File("a.log");
  test::WriteBytes(file, "x");
  EXPECT_TRUE(XdgFileOpener("true").Open(file));
  EXPECT_FALSE(XdgFileOpener("false").Open(file));
  EXPECT_FALSE(XdgFileOpener("/nonexistent/opener").Open(file));
  EXPECT_FALSE(XdgFileOpener("true").Open(dir.File("missing.log")));
}

TEST(StderrMessageSink, WritesOneLine) {
  testing::internal::CaptureStderr();
  StderrMessageSink().ShowMessage("ファイル名が不正です。\nSV:1.log", "Sentrova Ver 2.10a");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Sentrova Ver 2.10a: ファイル名が不正です。 SV:1.log\n");
}

}  // namespace
}  // namespace sentrova
