// The watch cycle and the terminal events, driven tick by tick through the
// main window's logic with fakes for ping, browse, actions and the view.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "app/list_file.h"
#include "app/main_controller.h"
#include "app/manual_dispatcher.h"
#include "main_fixture.h"
#include "support/fake_main_services.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

using test::Ip;

class WatchTest : public test::MainFixture {
 protected:
  void SetUp() override {
    MainFixture::SetUp();
    live = std::make_shared<std::set<std::uint32_t>>();
    test::AnswerOnly(*services.icmp.echo, live);
  }

  // One terminal checked by ping at 10.0.0.<n>.
  static std::vector<std::string> Pc(int n, int kind = kIconPC) {
    return {"PC" + std::to_string(n) + "\t10.0.0." + std::to_string(n) + "\tY\t" + std::to_string(kind) + "\t-1\t-1\t",
            "u" + std::to_string(n), "", "", "WG\tP"};
  }
  void Start(const std::vector<std::vector<std::string>>& terminals) {
    std::vector<std::string> lines;
    for (const auto& t : terminals) lines.insert(lines.end(), t.begin(), t.end());
    WriteList(lines);
    c = std::make_unique<MainController>(facts, cfg, dispatcher, view, services.Services(), std::vector<std::string>{});
    c->Construct();
    dispatcher.ProcessPending();
    cfg.CheckInterval = 3;
    cfg.MessageLevel = 0;
    cfg.AllLogin.ActTime = 5;
    cfg.AllLogout.ActTime = 5;
  }
  void Up(std::initializer_list<int> ns) {
    live->clear();
    for (int n : ns) live->insert(Ip(("10.0.0." + std::to_string(n)).c_str()));
  }
  void WaitForCheck() {
    dispatcher.WaitUntil([&] { return !c->Busy(); });
  }
  void Check() {
    c->SearchClick();
    WaitForCheck();
  }
  ResItem Row(std::size_t i) {
    ResItem r;
    ReadRow(r, c->MainList(), i);
    return r;
  }

  std::shared_ptr<std::set<std::uint32_t>> live;
  std::unique_ptr<MainController> c;
};

TEST_F(WatchTest, TheTimerChecksEveryIntervalAndCountsMinutes) {
  Start({Pc(1)});
  Up({1});
  c->WatchTimerTick();
  c->WatchTimerTick();
  EXPECT_FALSE(c->Busy());
  EXPECT_TRUE(view.status.empty());  // no timer check yet: the status bar is left alone
  c->WatchTimerTick();               // the third minute
  EXPECT_TRUE(c->Busy());
  EXPECT_TRUE(view.checking);
  c->WatchTimerTick();  // while the check runs: nothing, not even counting
  EXPECT_EQ(c->Watch().MinuteCounter, 0);
  WaitForCheck();
  EXPECT_FALSE(view.checking);
  EXPECT_EQ(Row(0).StateText, kTextLogin);
  c->WatchTimerTick();
  c->WatchTimerTick();
  EXPECT_EQ(view.status, "2 分前に調査しました。");
  // A check started by the user does not reset the counter.
  Check();
  c->WatchTimerTick();
  EXPECT_TRUE(c->Busy());
  WaitForCheck();
}

TEST_F(WatchTest, StartupCheckAsksFirstWhenSoSet) {
  test::WriteBytes(dir.File("Sentrova.ini"),
                   "[Sentrova]\r\nVersion=2.10a\r\n[Config]\r\nStartCheck=1\r\nStartCheckMsg=1\r\n");
  view.answer = false;
  Start({Pc(1)});
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0], "端末の調査を今すぐ行いますか？");
  EXPECT_FALSE(c->Busy());  // No: no check
}

TEST_F(WatchTest, SkippedRowsStayAndPinpointChecksOneRow) {
  Start({Pc(1), Pc(2), Pc(3), {"-----\t\t-\t8\t-1\t-1\t", "", "", "", "\t"}});
  c->Rest({0});
  Up({1, 2, 3});
  c->PinpointClick(2);
  WaitForCheck();
  EXPECT_EQ(Row(0).StateText, kTextRest);
  EXPECT_EQ(Row(1).StateText, kTextUnconfirmed);
  EXPECT_EQ(Row(2).StateText, kTextLogin);
  EXPECT_EQ(Row(3).StateText, "-----");
  Check();
  EXPECT_EQ(Row(0).StateText, kTextRest);
  EXPECT_EQ(Row(1).StateText, kTextLogin);
}

TEST_F(WatchTest, StopOnTheFourthOfTen) {
  std::vector<std::vector<std::string>> ten;
  for (int n = 1; n <= 10; ++n) ten.push_back(Pc(n));
  Start(ten);
  Up({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  // "中止(&D)" is pressed while the fourth terminal is being checked.
  view.onStatus = [&](const std::string& text) {
    if (text == "u4 調査中...") c->SearchClick();
  };
  Check();
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(Row(i).StateText, kTextLogin) << i;
  for (std::size_t i = 3; i < 10; ++i) EXPECT_EQ(Row(i).StateText, kTextUnconfirmed) << i;
  ASSERT_EQ(view.Of(kReportLogin).size(), 1u);
  EXPECT_EQ(view.Of(kReportLogin)[0].lines.size(), 3u);
  EXPECT_TRUE(view.Of(kReportAllLogin).empty());  // seven still unconfirmed
}

TEST_F(WatchTest, RestToggles) {
  Start({Pc(1), Pc(2), Pc(9, kIconServer)});
  Up({2});
  Check();
  c->Rest({0});
  c->Rest({0, 1});
  EXPECT_EQ(Row(0).StateText, kTextUnconfirmed);
  EXPECT_EQ(Row(0).Image, 2);
  EXPECT_EQ(Row(1).StateText, kTextRest);
  EXPECT_EQ(Row(1).Image, kImageRest);
  // A server in the watch error state: rest, rest again, then checked again.
  ResItem server = Row(2);
  server.Image = kImageError;
  server.State = kStateError;
  server.StateText = kTextError;
  WriteRow(server, c->MainList(), 2);
  c->Rest({2});
  EXPECT_EQ(Row(2).StateText, kTextRest);
  c->Rest({2});
  EXPECT_EQ(Row(2).Image, 2);
  Up({9});
  Check();
  EXPECT_EQ(Row(2).Image, kIconServer);
}

TEST_F(WatchTest, AllLoggedInCountsOnlyComputers) {
  Start({Pc(1), Pc(2), Pc(3), Pc(9, kIconServer)});
  Up({1, 2, 3});
  Check();
  ASSERT_EQ(view.Of(kReportLogin).size(), 1u);
  EXPECT_EQ(view.Of(kReportLogin)[0].text, "ログインしました。");
  EXPECT_EQ(view.Of(kReportLogin)[0].lines, (std::vector<std::string>{"u1\tPC1", "u2\tPC2", "u3\tPC3"}));
  ASSERT_EQ(view.Of(kReportAllLogin).size(), 1u);
  EXPECT_EQ(view.Of(kReportAllLogin)[0].text, "ログイン");
  EXPECT_TRUE(view.Of(kReportAllLogin)[0].shown);
  EXPECT_EQ(c->Events().LoginBlinkText, "PC1\tPC2\tPC3\t");
  EXPECT_EQ(Row(3).StateText, kTextLogout);  // the server stays out: not counted
}

TEST_F(WatchTest, RestingComputersAreNotCountedAndUnconfirmedBlocks) {
  Start({Pc(1), Pc(2), Pc(3)});
  c->Rest({2});
  Up({1});
  c->PinpointClick(0);  // PC2 stays unconfirmed
  WaitForCheck();
  EXPECT_TRUE(view.Of(kReportAllLogin).empty());
  Up({1, 2});
  Check();
  EXPECT_EQ(view.Of(kReportAllLogin).size(), 1u);
  Up({});
  Check();
  EXPECT_EQ(view.Of(kReportAllLogout).size(), 1u);
  EXPECT_EQ(view.Of(kReportAllLogout)[0].text, "ログアウト");
}

TEST_F(WatchTest, WatchErrorsAreReportedOnceAndBlockTheAllEvents) {
  Start({{"PC1\t\tN\t0\t-1\t-1\t", "u1", "", "", "WG\tMicrosoft Windows Network"}, Pc(2)});
  services.browse.AddWorkgroup("WG", {"PC1"});
  services.browse.openErrors["WG"] = kBrowseAccessDenied;
  Up({2});
  Check();
  ASSERT_EQ(view.Of(kReportError).size(), 1u);
  EXPECT_EQ(view.Of(kReportError)[0].text, "ネットワーク監視エラーです。");
  EXPECT_EQ(view.Of(kReportError)[0].seconds, 7);
  EXPECT_EQ(view.Of(kReportError)[0].lines, (std::vector<std::string>{"u1\tPC1"}));
  EXPECT_TRUE(view.Of(kReportAllLogin).empty());
  Check();
  EXPECT_EQ(view.Of(kReportError).size(), 1u);
}

TEST_F(WatchTest, OnlyServersAndDevicesNeverMakeAnAllEvent) {
  Start({Pc(1, kIconServer), Pc(2, kIconPrinter), Pc(3, kIconDevice)});
  Up({1, 2, 3});
  Check();
  EXPECT_EQ(view.Of(kReportLogin).size(), 1u);
  EXPECT_TRUE(view.Of(kReportAllLogin).empty());
  EXPECT_TRUE(view.Of(kReportError).empty());
}

TEST_F(WatchTest, DelayedAllLoginAction) {
  Start({Pc(1)});
  cfg.AllLogin.Action = 3;
  cfg.AllLogin.ActFile = "notify-send all in";
  cfg.AllLogin.ActTime = 0;
  Up({1});
  Check();
  ASSERT_EQ(services.starter.started.size(), 1u);  // at once, at the end of the check
  EXPECT_EQ(services.starter.started[0], (std::vector<std::string>{"notify-send", "all", "in"}));
  EXPECT_FALSE(c->Busy());

  // ActTime 3: the third tick after the event, unless a computer goes first.
  cfg.AllLogin.ActTime = 3;
  cfg.CheckInterval = 100;
  Up({});
  Check();
  Up({1});
  Check();  // reported again after the logout and login
  EXPECT_EQ(view.Of(kReportAllLogin).size(), 1u);  // the window is still open: not opened twice
  EXPECT_TRUE(c->Events().AllLoginReported);
  c->WatchTimerTick();
  c->WatchTimerTick();
  EXPECT_EQ(services.starter.started.size(), 1u);
  c->WatchTimerTick();
  EXPECT_EQ(services.starter.started.size(), 2u);
  EXPECT_FALSE(c->Events().AllLoginActionPending);
}

TEST_F(WatchTest, AllOffAtTheFirstCheckPowersOffAfterTheDelay) {
  Start({Pc(1), Pc(2)});
  cfg.AllLogout.Action = 2;
  cfg.AllLogout.ActTime = 5;
  cfg.CheckInterval = 100;
  Up({});
  Check();
  ASSERT_EQ(view.Of(kReportLogout).size(), 1u);
  EXPECT_EQ(view.Of(kReportLogout)[0].lines.size(), 2u);
  EXPECT_EQ(view.Of(kReportAllLogout).size(), 1u);
  for (int tick = 1; tick <= 4; ++tick) c->WatchTimerTick();
  EXPECT_EQ(services.shutdown.calls, 0);
  c->WatchTimerTick();
  EXPECT_EQ(services.shutdown.calls, 1);  // the fake: nothing is powered off
  EXPECT_TRUE(view.quit);
  EXPECT_FALSE(std::ifstream(dir.File("Sentrova.ini")).good());  // nothing saved
}

TEST_F(WatchTest, RestCancelsAPendingAction) {
  Start({Pc(1), Pc(2)});
  cfg.AllLogout.Action = 2;
  cfg.CheckInterval = 100;
  Up({});
  Check();
  EXPECT_TRUE(c->Events().AllLogoutActionPending);
  c->Rest({1});
  EXPECT_FALSE(c->Events().AllLogoutActionPending);
  for (int tick = 0; tick < 10; ++tick) c->WatchTimerTick();
  EXPECT_EQ(services.shutdown.calls, 0);
}

TEST_F(WatchTest, MessageLevelTwoOnlyBlinksAndALaterLoginJoinsTheOpenWindow) {
  Start({Pc(1), Pc(2)});
  cfg.MessageLevel = 2;
  Up({1});
  Check();
  ASSERT_EQ(view.Of(kReportLogin).size(), 1u);
  EXPECT_FALSE(view.Of(kReportLogin)[0].shown);
  EXPECT_EQ(view.blinks, (std::vector<int>{7, 7}));  // the login and the logout
  EXPECT_EQ(view.trayItems, (std::vector<int>{kReportLogin, kReportLogout}));
  Up({1, 2});
  Check();
  ASSERT_EQ(view.Of(kReportLogin).size(), 1u);
  EXPECT_EQ(view.Of(kReportLogin)[0].lines, (std::vector<std::string>{"u1\tPC1", "u2\tPC2"}));
}

TEST_F(WatchTest, HistoryRecordsAndCloseWaitsForARunningCheck) {
  Start({Pc(1), Pc(2)});
  cfg.Login.Rec.DoRecord = true;
  cfg.Login.Rec.RecordFile = "in";
  cfg.Login.Rec.RecordFileExp = "log";
  Up({1, 2});
  Check();
  const std::string history = test::ReadBytes(dir.File("in.log"));
  EXPECT_NE(history.find("u1\r\nu2\r\n.\r\n"), std::string::npos) << history;

  // Closing during a check: the thread stops, nothing is reported.
  Up({});
  const std::size_t reports = view.reports.size();
  c->SearchClick();
  EXPECT_TRUE(c->CloseQuery());
  EXPECT_FALSE(c->Busy());
  EXPECT_FALSE(c->Watch().Checking());
  EXPECT_EQ(view.reports.size(), reports);
}

}  // namespace
}  // namespace sentrova

namespace sentrova {
namespace {

TEST_F(WatchTest, ManagerReportsGoThroughTheBoundMessenger) {
  std::vector<test::SentMessage> sent;
  auto nt = std::make_unique<test::FakeNetApiNT>();
  nt->Sent = &sent;
  services.netLoader.NextNT = std::move(nt);
  facts.ComputerName = "WATCHER";
  Start({Pc(1), Pc(2)});
  EXPECT_TRUE(c->BindFailure().empty());
  EXPECT_EQ(services.netLoader.Asked, (std::vector<std::string>{"NETAPI32.DLL"}));
  cfg.Manager = "BOSS,DESK";
  cfg.Login.ManagerReport = true;
  cfg.AllLogin.ManagerReport = true;
  Up({1, 2});
  Check();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].Recipient, "BOSS");
  EXPECT_EQ(sent[0].Sender, "WATCHER");
  EXPECT_EQ(sent[0].Text, "u1：u2\r\nがログインしました。");
  EXPECT_EQ(sent[1].Recipient, "DESK");
  EXPECT_EQ(sent[2].Text, "全員がログインしました。");
  c->Destroy();
}

TEST_F(WatchTest, AnUnboundServiceSetIsToldOnce) {
  Start({Pc(1)});  // the loader has no library
  EXPECT_FALSE(c->BindFailure().empty());
  EXPECT_FALSE(c->NetApi().NT.NetMessageBufferSend);
  cfg.Manager = "BOSS";
  cfg.Login.ManagerReport = true;
  Up({1});
  Check();  // the report cannot go anywhere, and nothing breaks
  EXPECT_EQ(view.Of(kReportLogin).size(), 1u);
}

}  // namespace
}  // namespace sentrova
