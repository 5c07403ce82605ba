#include "app/main_controller.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "app/list_file.h"
#include "app/manual_dispatcher.h"
#include "settings/settings_io.h"
#include "main_fixture.h"
#include "support/fake_main_services.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

TEST(PlaceWindow, StoredGeometry) {
  const WindowRect design{0, 0, 447, 160};
  struct Case {
    const char* name;
    const char* size;
    const char* pos;
    int screenW, screenH;
    WindowRect want;
  } cases[] = {
      {"defaults keep the design", "E,E", "E,E", 1280, 1024, {0, 0, 447, 160}},
      {"all stored", "500,300", "40,80", 1280, 1024, {40, 80, 500, 300}},
      {"top below the screen", "500,300", "5000,80", 1280, 1024, {0, 80, 500, 300}},
      {"left off to the left", "500,300", "10,-600", 1280, 1024, {10, 0, 500, 300}},
      {"partly off stays", "500,300", "10,-400", 1280, 1024, {10, -400, 500, 300}},
      {"only the left stored", "E,E", "E,120", 1280, 1024, {0, 120, 447, 160}},
      {"missing fields", "600", "", 1280, 1024, {0, 0, 600, 160}},
      {"garbage", "x,y,z", "1a,2b", 1280, 1024, {0, 0, 447, 160}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlaceWindow(c.size, c.pos, design, c.screenW, c.screenH), c.want) << c.name;
  }
}

class MainControllerTest : public test::MainFixture {
 protected:
  void SetUp() override {
    MainFixture::SetUp();
    facts.PlatformCode = 3;
    cfg.MainWnd.Size = "E,E";
    cfg.MainWnd.Pos = "E,E";
    cfg.ScreenMode = 3;
  }
};

TEST_F(MainControllerTest, StartsInOrderAndLoadsTheListDeferred) {
  WriteList({"PC01\t\tN\t0\t-1\t-1\t", "user", "", "", "WG\tP", "-----\t\t-\t8\t-1\t-1\t", "", "", "", "\t"});
  MainController c(facts, cfg, dispatcher, view, services.Services(), {});
  c.Construct();
  EXPECT_EQ(view.caption.rfind("Sentrova Ver 2.10a on [", 0), 0u) << view.caption;
  EXPECT_EQ(view.caption.back(), ']');
  EXPECT_EQ(facts.PlatformCode, 2);
  EXPECT_EQ(c.ListFilePath(), dir.File("Sentrova.NT"));
  EXPECT_EQ(view.rect, MainController::kDesignRect);
  // The list is loaded only once the event loop runs.
  EXPECT_EQ(c.MainList().Count(), 0u);
  EXPECT_FALSE(view.shown);
  dispatcher.ProcessPending();
  EXPECT_TRUE(c.DeferredStartDone());
  ASSERT_EQ(c.MainList().Count(), 2u);
  EXPECT_EQ(c.MainList().Row(0).SubItems[kSubState], "未確認");
  EXPECT_FALSE(c.Busy());
  EXPECT_FALSE(view.commandsEnabled);
  EXPECT_TRUE(view.shown);
  EXPECT_TRUE(view.watchTimer);
  EXPECT_TRUE(view.accessTimer);
}

TEST_F(MainControllerTest, SettingsPlaceTheWindowAndTheTrayDecidesTheMode) {
  test::WriteBytes(dir.File("Sentrova.ini"),
                   "[Sentrova]\r\nVersion=2.10a\r\nScreenMode=3\r\n"
                   "[MainWnd]\r\nSize=500,300\r\nPos=5000,80\r\nColWidth=1,2,3\r\n");
  view.tray = false;
  view.screenHeight = 1024;
  MainController c(facts, cfg, dispatcher, view, services.Services(), {});
  c.Construct();
  EXPECT_TRUE(c.SettingsLoadResult().currentLayout);
  EXPECT_EQ(view.rect, (WindowRect{0, 80, 500, 300}));
  EXPECT_EQ(view.widths, "1,2,3");
  EXPECT_EQ(cfg.ScreenMode, 1);  // no tray: window icon only
}

TEST_F(MainControllerTest, CloseSavesTheSettings) {
  MainController c(facts, cfg, dispatcher, view, services.Services(), {"37"});
  c.Construct();
  dispatcher.ProcessPending();
  view.rect = {12, 34, 560, 230};
  ASSERT_TRUE(services.icmp.icmp->Active(true));
  EXPECT_TRUE(c.CloseQuery());
  EXPECT_FALSE(services.icmp.icmp->IsActive());  // the ICMP component is let go
  SentrovaCfg again;
  const LoadSettingsResult r = LoadSettings(dir.path(), {}, again);
  EXPECT_TRUE(r.currentLayout);
  EXPECT_EQ(again.MainWnd.Size, "560,230");
  EXPECT_EQ(again.MainWnd.Pos, "12,34");
  EXPECT_EQ(again.IconImageType, 3);  // the two-digit argument, written at start-up
  EXPECT_EQ(again.OffIconImageType, 7);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(MainControllerTest, AFailedSaveIsShown) {
  MainController c(facts, cfg, dispatcher, view, services.Services(), {});
  c.Construct();
  dispatcher.ProcessPending();
  ASSERT_EQ(mkdir(dir.File("Sentrova.ini").c_str(), 0700), 0);  // cannot be replaced
  EXPECT_TRUE(c.CloseQuery());
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].rfind("Sentrova Ver 2.10a: ", 0), 0u);
  EXPECT_NE(view.messages[0].find("Sentrova.ini"), std::string::npos);
}

TEST_F(MainControllerTest, MissingListGivesAnEmptyList) {
  MainController c(facts, cfg, dispatcher, view, services.Services(), {});
  c.Construct();
  dispatcher.ProcessPending();
  EXPECT_EQ(c.MainList().Count(), 0u);
  EXPECT_TRUE(view.shown);
}

TEST_F(MainControllerTest, CloseStoresGeometryAndColumns) {
  MainController c(facts, cfg, dispatcher, view, services.Services(), {});
  c.Construct();
  dispatcher.ProcessPending();
  view.rect = {12, 34, 560, 230};
  view.widths = "10,20,30,40,50,60,70,80,90,100,110";
  view.positions = "0,2,1,3,4,5,6,7,8,9,10";
  EXPECT_TRUE(c.CloseQuery());
  EXPECT_TRUE(c.Closing());
  EXPECT_EQ(cfg.MainWnd.Size, "560,230");
  EXPECT_EQ(cfg.MainWnd.Pos, "12,34");
  EXPECT_EQ(cfg.MainWnd.ColWidth, "10,20,30,40,50,60,70,80,90,100,110");
  EXPECT_EQ(cfg.MainWnd.ColPosition, "0,2,1,3,4,5,6,7,8,9,10");
  EXPECT_FALSE(view.accessTimer);
}

TEST_F(MainControllerTest, SessionEndSetsClosingAndStoresNothing) {
  MainController c(facts, cfg, dispatcher, view, services.Services(), {});
  c.Construct();
  c.EndSession();
  EXPECT_TRUE(c.Closing());
  EXPECT_EQ(cfg.MainWnd.Size, "E,E");
  EXPECT_FALSE(std::ifstream(dir.File("Sentrova.ini")).good());
  // A start message still queued does nothing once closing.
  dispatcher.ProcessPending();
  EXPECT_FALSE(c.DeferredStartDone());
  EXPECT_FALSE(view.shown);
}

}  // namespace
}  // namespace sentrova

namespace sentrova {
namespace {

class MainControllerPowerOffTest : public MainControllerTest {};

TEST_F(MainControllerPowerOffTest, PowerOffChoiceNeedsTheRight) {
  struct Case {
    bool root;
    const char* answer;
    int storedAction;
    bool allowed;
    int action;
  } cases[] = {
      {false, "no", 2, false, 1},  {false, "challenge", 2, false, 1}, {false, "yes", 2, true, 2},
      {true, "", 2, true, 2},      {false, "no", 3, false, 3},
  };
  for (const auto& c : cases) {
    test::WriteBytes(dir.File("Sentrova.ini"), "[Sentrova]\r\nVersion=2.10a\r\n[AllLogout]\r\nAction=" +
                                                    std::to_string(c.storedAction) + "\r\n");
    test::FakeMainServices fakes;
    fakes.powerOffRight = test::FakePermission(c.root, c.answer);
    SentrovaCfg fresh;
    AppFacts f;
    f.ProgramDir = dir.path();
    MainController ctl(f, fresh, dispatcher, view, fakes.Services(), {});
    ctl.Construct();
    EXPECT_EQ(f.ExitWindowsAllowed, c.allowed) << c.answer;
    EXPECT_EQ(fresh.AllLogout.Action, c.action) << c.answer;
    EXPECT_EQ(fakes.shutdown.calls, 0);
  }
}

TEST_F(MainControllerTest, OpensTodaysHistoryFileOfEachKind) {
  MainController c(facts, cfg, dispatcher, view, services.Services(), {});
  c.Construct();
  cfg.Login.Rec.RecordFile = "SV%y%m%d";
  cfg.Login.Rec.RecordFileExp = "log";
  cfg.Access.Rec.RecordFile = "bad|name";
  cfg.Access.Rec.RecordFileExp = "xml";
  EXPECT_TRUE(c.OpenHistoryFile(kHistoryLogin));
  ASSERT_EQ(services.opener.Opened.size(), 1u);
  EXPECT_EQ(services.opener.Opened[0], dir.File("SV20100105.log"));
  EXPECT_FALSE(c.OpenHistoryFile(kHistoryAccess));
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].rfind("Sentrova Ver 2.10a: ファイル名が不正です。\n", 0), 0u) << view.messages[0];
  services.opener.Result = false;
  EXPECT_FALSE(c.OpenHistoryFile(kHistoryLogin));
  EXPECT_EQ(view.messages.back(), "Sentrova Ver 2.10a: 起動できません！");
}

}  // namespace
}  // namespace sentrova

namespace sentrova {
namespace {

TEST_F(MainControllerTest, WakeOnLanCommandsOnARow) {
  WriteList({"PC01\t*10.0.0.5\tY\t0\t-1\t-1\t", "u", "", "", "\t", "PC02\t\tN\t0\t-1\t-1\tzz-zz", "v", "", "", "\t"});
  MainController c(facts, cfg, dispatcher, view, services.Services(), {});
  c.Construct();
  dispatcher.ProcessPending();
  ASSERT_EQ(c.MainList().Count(), 2u);
  // The found address of PC01 was dropped at load: give it one as a check would.
  ListRow row = c.MainList().Row(0);
  row.SubItems[kSubIP] = "*10.0.0.5";
  c.MainList().Set(0, row);
  services.icmp.neighbours->table[test::Ip("10.0.0.5")] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

  c.GetMacOfRow(0);
  EXPECT_EQ(c.MainList().Row(0).SubItems[kSubMac], "00:1A:2B:3C:4D:5E");
  c.WakeRow(0);
  ASSERT_EQ(services.icmp.broadcaster->sent.size(), 1u);
  EXPECT_EQ(services.icmp.broadcaster->sent[0].payload.size(), 102u);
  c.ClearMacOfRow(0);
  EXPECT_EQ(c.MainList().Row(0).SubItems[kSubMac], "");

  c.WakeRow(1);  // "zz-zz" is no MAC address: nothing is sent, the user is told
  EXPECT_EQ(services.icmp.broadcaster->sent.size(), 1u);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.messages[0].find("zz-zz"), std::string::npos) << view.messages[0];
  c.GetMacOfRow(7);  // no such row
}

}  // namespace
}  // namespace sentrova
