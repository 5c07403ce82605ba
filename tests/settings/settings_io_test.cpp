#include "settings/settings_io.h"
#include "support/file_size_limit.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/xml_facility.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const XmlProbe kXmlWorks = [] { return true; };
const XmlProbe kNoXml = [] { return false; };

SentrovaCfg Load(const TempDir& dir, const std::vector<std::string>& args = {},
                 LoadSettingsResult* result = nullptr, const XmlProbe& xml = kXmlWorks) {
  SentrovaCfg cfg;
  const LoadSettingsResult r = LoadSettings(dir.path(), args, cfg, xml);
  if (result) *result = r;
  return cfg;
}

std::string Ini(const TempDir& dir) { return ReadBytes(dir.File("Sentrova.ini")); }
void SetIni(const TempDir& dir, const std::string& bytes) { WriteBytes(dir.File("Sentrova.ini"), bytes); }
bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// What the first save writes after a start without a file.
const std::string kFirstSave =
    "[Sentrova]\r\nVersion=2.10a\r\nScreenMode=1\r\nListMode=1\r\nFixIcon=0\r\n"
    "[MainWnd]\r\nSize=E,E\r\nPos=E,E\r\nColWidth=50,50,50,50,50,50,50,50,50,50,50,0\r\n"
    "ColPosition=0,1,2,3,4,5,6,7,8,9,10,11,12\r\n"
    "[EditWnd]\r\nSize=E,E\r\nPos=E,E\r\nColWidth=50,50,50,50,50,50,50,50,50,0,0\r\nSplit=272\r\n"
    "LoginFile=''\r\nLogoutFile=''\r\nCommentPrior=0\r\n"
    "[AccWnd]\r\nSize=E,E\r\nPos=E,E\r\nColWidth=80,120,60,70,50\r\n"
    "[Config]\r\nCheckInterval=5\r\nWaitWave=1\r\nMessageLevel=0\r\nMessageSpeed=0\r\n"
    "SafeCheck=0\r\nStartCheck=0\r\nStartCheckMsg=0\r\nManager=\r\nSmallIcon=0\r\nDisableClose=0\r\n"
    "BlinkIcon=0\r\nBlinkAlways=0\r\nDblClickAction=0\r\nXMLEncoding=UTF-8\r\nXSLFile=\r\n"
    "[Login]\r\nShowMsg=1\r\nDoAction=0\r\nManagerReport=0\r\nAutoMAC=0\r\nShowMsgTime=7\r\nDoRecord=0\r\n"
    "RecordFile=SV%y%m%d\r\nRecordFileExp=log\r\nRecordFolder=\r\n"
    "[Logout]\r\nShowMsg=1\r\nDoAction=0\r\nManagerReport=0\r\nAutoMAC=0\r\nShowMsgTime=7\r\nDoRecord=0\r\n"
    "RecordFile=SV%y%m%d\r\nRecordFileExp=log\r\nRecordFolder=\r\n"
    "[AllLogin]\r\nShowMsg=1\r\nPlayWave=0\r\nWaveFile=\r\nActTime=5\r\nAction=1\r\nActFile=\r\n"
    "ShowMsgTime=7\r\nManagerReport=0\r\n"
    "[AllLogout]\r\nShowMsg=1\r\nPlayWave=0\r\nWaveFile=\r\nActTime=5\r\nAction=1\r\nActFile=\r\n"
    "ShowMsgTime=7\r\nManagerReport=0\r\n"
    "[Access]\r\nCheckInterval=300\r\nCheckLevel=2\r\nReportLevel=1\r\nShowMsg=1\r\nPlayWave=0\r\nWaveFile=\r\n"
    "OpenAccessList=0\r\nAccessListAutoClose=0\r\nIPCNoChk=0\r\nShowMsgTime=7\r\nNotUserOnly=0\r\n"
    "SysvolNoChk=0\r\nMyPCNoChk=0\r\nDoRecord=0\r\nRecordFile=SV%y%m%d\r\nRecordFileExp=log\r\n"
    "RecordFolder=\r\nManagerReport=0\r\n"
    "[TCPIP]\r\nTimeOut=2000\r\nSendBytes=0\r\nTTL=128\r\n"
    "[Messenger]\r\nSendMessage=\r\nAutoSend=0\r\n"
    "[Background]\r\nFile=\r\nTransport=0\r\nTextColor=0\r\nTileMode=0\r\n";

TEST(Settings, FirstStartWithoutFileThenTheSavedFileIsCurrent) {
  TempDir dir;
  LoadSettingsResult result;
  const SentrovaCfg first = Load(dir, {}, &result);
  EXPECT_FALSE(result.currentLayout);
  EXPECT_FALSE(result.backupMade);
  EXPECT_TRUE(result.warning.empty());
  EXPECT_FALSE(Exists(dir.File("Sentrova.ini")));  // loading never creates it
  EXPECT_FALSE(Exists(dir.File("Sentrova.oldver.ini")));
  EXPECT_EQ(first.Access.CheckLevel, 2);
  EXPECT_EQ(first.Access.ReportLevel, 1);
  EXPECT_FALSE(first.Background.Transport);
  EXPECT_EQ(first.Background.TileMode, 0);
  EXPECT_EQ(first.ScreenMode, 1);
  EXPECT_EQ(first.CheckInterval, 5);
  EXPECT_TRUE(first.WaitWave);
  EXPECT_EQ(first.TTL, 128);
  EXPECT_EQ(first.TimeOut, 2000);
  EXPECT_EQ(first.AllLogout.Action, 1);
  EXPECT_EQ(first.XMLEncoding, "UTF-8");
  EXPECT_EQ(first.Login.Rec.RecordFile, "SV%y%m%d");
  EXPECT_EQ(first.MainWnd.ColPosition, "0,1,2,3,4,5,6,7,8,9,10,11,12");

  std::string error;
  ASSERT_TRUE(SaveSettings(dir.path(), first, error)) << error;
  EXPECT_EQ(Ini(dir), kFirstSave);

  const SentrovaCfg second = Load(dir, {}, &result);
  EXPECT_TRUE(result.currentLayout);
  EXPECT_FALSE(result.backupMade);
  EXPECT_EQ(second, first);
  EXPECT_FALSE(Exists(dir.File("Sentrova.oldver.ini")));
}

TEST(Settings, EveryMemberSurvivesSaveAndLoad) {
  TempDir dir;
  SentrovaCfg cfg = Load(dir);
  cfg.ScreenMode = 3;
  cfg.ListMode = 4;
  cfg.FixIcon = true;
  cfg.MainWnd = {"640,480", "10,20", "1,2,3", "3,2,1"};
  cfg.EditWnd = {"1,2", "3,4", "5,6", 300, "in.wav", "\"C:\\a b\\out.wav\"", true};
  cfg.AccWnd = {"7,8", "9,10", "11,12", ""};
  cfg.CheckInterval = 65535;
  cfg.WaitWave = false;
  cfg.MessageLevel = 2;
  cfg.MessageSpeed = 1;
  cfg.SmallIcon = cfg.DisableClose = cfg.BlinkAlways = true;
  cfg.BlinkIcon = 2;
  cfg.DblClickAction = 7;
  cfg.XMLEncoding = "Shift_JIS";
  cfg.XSLFile = "履歴.xsl";
  cfg.Login = {false, 9, true, true, true, {true, "L%d", "xml", "/var/log/ログ"}};
  cfg.Logout = {true, 10, false, true, false, {false, "O", "txt", ""}};
  cfg.AllLogin = {false, 11, true, "all in.wav", 12, "run me", 3, true};
  cfg.AllLogout = {true, 13, false, "", 14, "", 2, false};
  cfg.Access = {60, 1, 0, true, true, true, true, true, true, false, 15, true, "acc.wav", true, {true, "A", "log", "d"}};
  cfg.TimeOut = -7;
  cfg.SendBytes = 64;
  cfg.TTL = 255;
  cfg.SendMessage = "一行目\r\n二行目";
  cfg.AutoSend = cfg.SafeCheck = cfg.StartCheck = cfg.StartCheckMsg = true;
  cfg.Manager = "BOSS";
  cfg.Background = {"bg.png", true, 0x123456, 3};
  std::string error;
  ASSERT_TRUE(SaveSettings(dir.path(), cfg, error)) << error;
  EXPECT_EQ(Load(dir), cfg);
}

TEST(Settings, VersionDecidesTheLayout) {
  struct Case {
    const char* versionLine;
    bool current;
  };
  const Case cases[] = {{"Version=1.92", true},  {"Version=1.9", false}, {"Version=1.10", false},
                        {"Version=10.0", true},  {"Version=2.10a", true}, {"Version=1.92a", true},
                        {"Version=1.919", false}, {"Version=", false},    {"", false}};
  for (const Case& c : cases) {
    TempDir dir;
    SetIni(dir, std::string("[Sentrova]\r\n") + c.versionLine + "\r\nCheckTime=3\r\n[Config]\r\nCheckInterval=9\r\n");
    LoadSettingsResult result;
    const SentrovaCfg cfg = Load(dir, {}, &result);
    EXPECT_EQ(result.currentLayout, c.current) << c.versionLine;
    EXPECT_EQ(cfg.CheckInterval, c.current ? 9 : 3) << c.versionLine;
  }
}

// A file as the older version left it.
const std::string kOldFile =
    "[Sentrova]\r\n"
    "Version=1.90\r\n"
    "ScreenMode=2\r\n"
    "MainPos=E,120\r\n"
    "SetupLoginWaveFile=\"C:\\wav\\in.wav\"\r\n"
    "CheckTime=10\r\n"
    "LoginMsg=0\r\n"
    "MsgTimeLogin=70000\r\n"
    "LogoutRecordFileExp=XML\r\n"
    "AllLogoutAct=2\r\n"
    "AllLogoutTime=-1\r\n"
    "AccChk=60\r\n"
    "UserOnly=1\r\n"
    "SessionRecordDir=\x83\x8d\x83\x4f\r\n"  // ログ
    "Manager=BOSS\r\n"
    "PingTimeOut=0x7D0\r\n"
    "PingTTL=300\r\n"
    "SendMessage=a\\r\\nb\r\n"
    "IconImageType=4\r\n"
    "[MainWnd]\r\n"
    "Size=1,1\r\n";

void ExpectOldValues(const SentrovaCfg& cfg) {
  EXPECT_EQ(cfg.ScreenMode, 2);
  EXPECT_EQ(cfg.ListMode, 1);
  EXPECT_EQ(cfg.MainWnd.Pos, "E,120");
  EXPECT_EQ(cfg.MainWnd.Size, "E,E");  // the current section is not read
  EXPECT_EQ(cfg.MainWnd.ColWidth, "50,50,50,50,50,50,50,50,50,50,50,0");
  EXPECT_EQ(cfg.EditWnd.LoginFile, "C:\\wav\\in.wav");  // the profile read removes the quote pair
  EXPECT_EQ(cfg.CheckInterval, 10);
  EXPECT_FALSE(cfg.Login.ShowMsg);
  EXPECT_EQ(cfg.Login.ShowMsgTime, 4464);
  EXPECT_EQ(cfg.Logout.Rec.RecordFileExp, "XML");
  EXPECT_EQ(cfg.AllLogout.Action, 2);
  EXPECT_EQ(cfg.AllLogout.ShowMsgTime, 65535);
  EXPECT_EQ(cfg.Access.CheckInterval, 60);
  EXPECT_TRUE(cfg.Access.NotUserOnly);
  EXPECT_EQ(cfg.Access.Rec.RecordFolder, "ログ");
  EXPECT_EQ(cfg.Manager, "BOSS");
  EXPECT_EQ(cfg.TimeOut, 2000);
  EXPECT_EQ(cfg.TTL, 44);
  EXPECT_EQ(cfg.SendMessage, "a\\r\\nb");  // the older layout keeps the text as stored
  EXPECT_EQ(cfg.IconImageType, 4);
  // What the older layout lacks.
  EXPECT_EQ(cfg.Access.CheckLevel, 2);
  EXPECT_EQ(cfg.Access.ReportLevel, 1);
  EXPECT_EQ(cfg.MainWnd.ColPosition, "0,1,2,3,4,5,6,7,8,9,10,11,12");
  EXPECT_EQ(cfg.XMLEncoding, "UTF-8");
  EXPECT_FALSE(cfg.Background.Transport);
  EXPECT_EQ(cfg.Background.TileMode, 0);
}

TEST(Settings, MigrationKeepsACopyAndErasesTheOldSection) {
  TempDir dir;
  SetIni(dir, kOldFile);
  LoadSettingsResult result;
  const SentrovaCfg cfg = Load(dir, {}, &result);
  EXPECT_FALSE(result.currentLayout);
  EXPECT_TRUE(result.backupMade);
  EXPECT_TRUE(result.warning.empty());
  ExpectOldValues(cfg);
  EXPECT_EQ(ReadBytes(dir.File("Sentrova.oldver.ini")), kOldFile);
  EXPECT_EQ(Ini(dir), "[MainWnd]\r\nSize=1,1\r\n");

  std::string error;
  ASSERT_TRUE(SaveSettings(dir.path(), cfg, error)) << error;
  const SentrovaCfg next = Load(dir, {}, &result);
  EXPECT_TRUE(result.currentLayout);
  EXPECT_FALSE(result.backupMade);
  EXPECT_EQ(next.IconImageType, 0);  // never saved
  SentrovaCfg expected = cfg;
  expected.IconImageType = 0;
  // The older layout kept line breaks as typed; the current one reads them.
  expected.SendMessage = "a\r\nb";
  EXPECT_EQ(next, expected);
  EXPECT_EQ(ReadBytes(dir.File("Sentrova.oldver.ini")), kOldFile);
}

TEST(Settings, MigrationWithAnExistingBackupLeavesTheOldSection) {
  TempDir dir;
  SetIni(dir, kOldFile);
  WriteBytes(dir.File("Sentrova.oldver.ini"), "earlier backup");
  LoadSettingsResult result;
  const SentrovaCfg cfg = Load(dir, {}, &result);
  EXPECT_FALSE(result.backupMade);
  ExpectOldValues(cfg);
  EXPECT_EQ(ReadBytes(dir.File("Sentrova.oldver.ini")), "earlier backup");
  EXPECT_EQ(Ini(dir), kOldFile);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // no temporary left

  std::string error;
  ASSERT_TRUE(SaveSettings(dir.path(), cfg, error)) << error;
  // Section Sentrova now holds the old keys and the current ones; the old ones are never read again.
  const IniFile ini(dir.File("Sentrova.ini"));
  EXPECT_EQ(ini.ReadString("Sentrova", "Version", ""), "2.10a");
  EXPECT_EQ(ini.ReadString("Sentrova", "CheckTime", ""), "10");
  EXPECT_EQ(ini.ReadString("Sentrova", "IconImageType", ""), "4");
  SentrovaCfg expected = cfg;
  expected.SendMessage = "a\r\nb";
  EXPECT_EQ(Load(dir, {}, &result), expected);
  EXPECT_TRUE(result.currentLayout);
}

TEST(Settings, CurrentSectionsWithoutVersionAreTheOlderLayout) {
  TempDir dir;
  const std::string file =
      "[Sentrova]\r\nScreenMode=3\r\n[Config]\r\nCheckInterval=9\r\n[Background]\r\nTransport=1\r\n";
  SetIni(dir, file);
  LoadSettingsResult result;
  const SentrovaCfg cfg = Load(dir, {}, &result);
  EXPECT_FALSE(result.currentLayout);
  EXPECT_TRUE(result.backupMade);
  EXPECT_EQ(cfg.ScreenMode, 3);
  EXPECT_EQ(cfg.CheckInterval, 5);
  EXPECT_FALSE(cfg.Background.Transport);
  EXPECT_EQ(ReadBytes(dir.File("Sentrova.oldver.ini")), file);
  EXPECT_EQ(Ini(dir), "[Config]\r\nCheckInterval=9\r\n[Background]\r\nTransport=1\r\n");
}

TEST(Settings, NumbersAreTakenModuloTheirWidth) {
  TempDir dir;
  SetIni(dir,
         "[Sentrova]\r\nVersion=2.10a\r\n[Login]\r\nShowMsgTime=70000\r\n[Logout]\r\nShowMsgTime=-1\r\n"
         "[TCPIP]\r\nTTL=300\r\nTimeOut=0x7D0\r\nSendBytes=0X20\r\n[Config]\r\nCheckInterval=abc\r\n"
         "[Access]\r\nCheckInterval=65536\r\n[AllLogin]\r\nActTime=12abc\r\n");
  const SentrovaCfg cfg = Load(dir);
  EXPECT_EQ(cfg.Login.ShowMsgTime, 4464);
  EXPECT_EQ(cfg.Logout.ShowMsgTime, 65535);
  EXPECT_EQ(cfg.TTL, 44);
  EXPECT_EQ(cfg.TimeOut, 2000);
  EXPECT_EQ(cfg.SendBytes, 32);
  EXPECT_EQ(cfg.CheckInterval, 5);  // not an integer: the default
  EXPECT_EQ(cfg.Access.CheckInterval, 0);
  EXPECT_EQ(cfg.AllLogin.ActTime, 5);
  std::string error;
  ASSERT_TRUE(SaveSettings(dir.path(), cfg, error));
  const IniFile ini(dir.File("Sentrova.ini"));
  EXPECT_EQ(ini.ReadString("Logout", "ShowMsgTime", ""), "65535");
  EXPECT_EQ(ini.ReadString("TCPIP", "TTL", ""), "44");
  EXPECT_EQ(ini.ReadString("TCPIP", "TimeOut", ""), "2000");
}

TEST(Settings, ReportLevelNeverAboveCheckLevel) {
  struct Case {
    int check, report, want;
  };
  for (const Case c : {Case{0, 2, 0}, Case{2, 0, 0}, Case{1, 2, 1}, Case{2, 2, 2}}) {
    TempDir dir;
    SetIni(dir, "[Sentrova]\r\nVersion=2.10a\r\n[Access]\r\nCheckLevel=" + std::to_string(c.check) +
                    "\r\nReportLevel=" + std::to_string(c.report) + "\r\n");
    const SentrovaCfg cfg = Load(dir);
    EXPECT_EQ(cfg.Access.CheckLevel, c.check);
    EXPECT_EQ(cfg.Access.ReportLevel, c.want) << c.check << "/" << c.report;
  }
}

TEST(Settings, SendMessageLineBreaksRoundTrip) {
  TempDir dir;
  SentrovaCfg cfg = Load(dir);
  cfg.SendMessage = "こんにちは\r\n二行目";
  std::string error;
  ASSERT_TRUE(SaveSettings(dir.path(), cfg, error));
  EXPECT_NE(Ini(dir).find("SendMessage=\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\\r\\n\x93\xf1\x8d\x73\x96\xda\r\n"),
            std::string::npos);
  EXPECT_EQ(cfg.SendMessage, "こんにちは\r\n二行目");  // the member is unchanged
  EXPECT_EQ(Load(dir).SendMessage, "こんにちは\r\n二行目");

  // Four characters \r\n typed into the text come back as a line break.
  cfg.SendMessage = "a\\r\\nb";
  ASSERT_TRUE(SaveSettings(dir.path(), cfg, error));
  EXPECT_EQ(Load(dir).SendMessage, "a\r\nb");

  // A lone line feed or carriage return is kept as a line break too instead
  // of splitting the line in the file.
  cfg.SendMessage = "a\nb\rc";
  ASSERT_TRUE(SaveSettings(dir.path(), cfg, error));
  EXPECT_NE(Ini(dir).find("SendMessage=a\\r\\nb\\r\\nc\r\nAutoSend="), std::string::npos);
  EXPECT_EQ(Load(dir).SendMessage, "a\r\nb\r\nc");
}

TEST(Settings, LoginFileIsWrittenInSingleQuotes) {
  TempDir dir;
  SentrovaCfg cfg = Load(dir);
  cfg.EditWnd.LoginFile = "\"C:\\Program Files\\in.wav\"";
  cfg.EditWnd.LogoutFile = "out.wav";
  std::string error;
  ASSERT_TRUE(SaveSettings(dir.path(), cfg, error));
  EXPECT_NE(Ini(dir).find("LoginFile='\"C:\\Program Files\\in.wav\"'\r\nLogoutFile='out.wav'\r\n"),
            std::string::npos);
  const SentrovaCfg back = Load(dir);
  EXPECT_EQ(back.EditWnd.LoginFile, "\"C:\\Program Files\\in.wav\"");
  EXPECT_EQ(back.EditWnd.LogoutFile, "out.wav");
}

TEST(Settings, XmlExtensionFallsBackToLogWithoutXml) {
  TempDir dir;
  SetIni(dir,
         "[Sentrova]\r\nVersion=2.10a\r\n[Login]\r\nRecordFileExp=Xml\r\n[Logout]\r\nRecordFileExp=xmlx\r\n"
         "[Access]\r\nRecordFileExp=XML\r\n");
  const SentrovaCfg without = Load(dir, {}, nullptr, kNoXml);
  EXPECT_EQ(without.Login.Rec.RecordFileExp, "log");
  EXPECT_EQ(without.Logout.Rec.RecordFileExp, "xmlx");
  EXPECT_EQ(without.Access.Rec.RecordFileExp, "log");
  const SentrovaCfg with = Load(dir, {}, nullptr, kXmlWorks);
  EXPECT_EQ(with.Login.Rec.RecordFileExp, "Xml");
  EXPECT_EQ(with.Access.Rec.RecordFileExp, "XML");
  // Without a probe the library itself is asked; it is linked and works.
  EXPECT_TRUE(XmlFacilityWorks());
  SentrovaCfg real;
  LoadSettings(dir.path(), {}, real);
  EXPECT_EQ(real.Login.Rec.RecordFileExp, "Xml");
}

TEST(Settings, TwoDigitArgumentSetsTheImageTypesAtOnce) {
  struct Case {
    std::vector<std::string> args;
    bool applies;
  };
  const Case cases[] = {{{"37"}, true},  {{"3"}, false},  {{"377"}, false}, {{"3a"}, false},
                        {{}, false},     {{"-Dup", "37"}, false},           {{"37", "-Dup"}, true}};
  const std::string currentFile = "[Sentrova]\r\nVersion=2.10a\r\nIconImageType=1\r\nOffIconImageType=2\r\n";
  const std::string oldFile = "[Sentrova]\r\nIconImageType=1\r\nOffIconImageType=2\r\nCheckTime=9\r\n";
  for (const Case& c : cases) {
    for (const std::string& file : {currentFile, oldFile}) {
      TempDir dir;
      SetIni(dir, file);
      LoadSettingsResult result;
      const SentrovaCfg cfg = Load(dir, c.args, &result);
      const std::string label = (c.args.empty() ? "" : c.args[0]) + (&file == &oldFile ? " old" : " current");
      EXPECT_TRUE(result.warning.empty()) << label;
      EXPECT_EQ(cfg.IconImageType, c.applies ? 3 : 1) << label;
      EXPECT_EQ(cfg.OffIconImageType, c.applies ? 7 : 2) << label;
      // Written at once, before any save.
      const IniFile ini(dir.File("Sentrova.ini"));
      if (c.applies) {
        EXPECT_EQ(ini.ReadInteger("Sentrova", "IconImageType", -1), 3) << label;
        EXPECT_EQ(ini.ReadInteger("Sentrova", "OffIconImageType", -1), 7) << label;
      } else if (file == currentFile) {
        EXPECT_EQ(Ini(dir), currentFile) << label;
      }
    }
  }
  // Without a file the argument creates it with just those keys.
  TempDir dir;
  Load(dir, {"05"});
  EXPECT_EQ(Ini(dir), "[Sentrova]\r\nIconImageType=0\r\nOffIconImageType=5\r\n");
}

TEST(Settings, SaveLeavesTheImageTypesAndOldKeysAlone) {
  TempDir dir;
  const std::string file =
      "; my notes\r\n[Sentrova]\r\nVersion=2.10a\r\nIconImageType=6\r\nMainSize=1,2\r\n[AccWnd]\r\nColPosition=4,3\r\n";
  SetIni(dir, file);
  SentrovaCfg cfg = Load(dir);
  cfg.IconImageType = 9;
  cfg.OffIconImageType = 9;
  cfg.AccWnd.ColPosition = "0,1";
  std::string error;
  ASSERT_TRUE(SaveSettings(dir.path(), cfg, error));
  const std::string saved = Ini(dir);
  EXPECT_EQ(saved.rfind("; my notes\r\n[Sentrova]\r\nVersion=2.10a\r\nIconImageType=6\r\nMainSize=1,2\r\nScreenMode=1\r\n", 0),
            0u);
  EXPECT_EQ(saved.find("OffIconImageType"), std::string::npos);
  EXPECT_NE(saved.find("[AccWnd]\r\nColPosition=4,3\r\nSize=E,E\r\n"), std::string::npos);
}

TEST(Settings, PositionFieldsThatAreNoIntegersKeepTheDesignValue) {
  TempDir dir;
  SetIni(dir, "[Sentrova]\r\nVersion=2.10a\r\n[MainWnd]\r\nPos=E,120\r\nColWidth=80,,x,40\r\n");
  const SentrovaCfg cfg = Load(dir);
  EXPECT_EQ(cfg.MainWnd.Pos, "E,120");
  EXPECT_EQ(SettingsIntField(cfg.MainWnd.Pos, 0, 33), 33);   // top: design value
  EXPECT_EQ(SettingsIntField(cfg.MainWnd.Pos, 1, 33), 120);  // left
  EXPECT_EQ(SettingsIntField(cfg.MainWnd.Size, 0, 640), 640);
  const int widths[] = {80, 50, 50, 40, 50};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(SettingsIntField(cfg.MainWnd.ColWidth, i, 50), widths[i]) << i;
}

TEST(Settings, FailedSaveNamesTheFileAndKeepsIt) {
  TempDir dir;
  SentrovaCfg cfg = Load(dir);
  std::string error;
  ASSERT_TRUE(SaveSettings(dir.path(), cfg, error));
  const std::string before = Ini(dir);
  cfg.Manager = "CHANGED";

  const bool saved = test::WithFileSizeLimit(64, [&] { return SaveSettings(dir.path(), cfg, error); });

  EXPECT_FALSE(saved);
  EXPECT_NE(error.find(dir.File("Sentrova.ini")), std::string::npos) << error;
  EXPECT_EQ(error.rfind("設定ファイルに書き込めませんでした。", 0), 0u) << error;
  EXPECT_EQ(Ini(dir), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  EXPECT_EQ(cfg.Manager, "CHANGED");
}

TEST(Settings, ValueThatWouldBreakTheFileStopsTheSave) {
  TempDir dir;
  SentrovaCfg cfg = Load(dir);
  std::string error;
  ASSERT_TRUE(SaveSettings(dir.path(), cfg, error));
  const std::string before = Ini(dir);
  cfg.Manager = "A\n[Config]";
  EXPECT_FALSE(SaveSettings(dir.path(), cfg, error));
  EXPECT_NE(error.find(dir.File("Sentrova.ini")), std::string::npos) << error;
  EXPECT_NE(error.find("Manager"), std::string::npos) << error;
  EXPECT_EQ(Ini(dir), before);
}

TEST(Settings, SaveIntoAMissingDirectoryFails) {
  TempDir dir;
  SentrovaCfg cfg = Load(dir);
  std::string error;
  EXPECT_FALSE(SaveSettings(dir.File("missing/"), cfg, error));
  EXPECT_NE(error.find(dir.File("missing/Sentrova.ini")), std::string::npos) << error;
}

}  // namespace
}  // namespace sentrova
