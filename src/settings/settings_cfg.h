// The settings record. The program keeps one instance, `Cfg`, for its whole
// run; every part of the program reads and writes its members directly.
// Strings are UTF-8 here and CP932 in the file.
#pragma once

#include <cstdint>
#include <string>

namespace sentrova {

struct MainWndCfg {
  std::string Size;         // "width,height"
  std::string Pos;          // "top,left"
  std::string ColWidth;     // widths in column order
  std::string ColPosition;  // column arrangement

  bool operator==(const MainWndCfg&) const = default;
};

struct EditWndCfg {
  std::string Size;
  std::string Pos;
  std::string ColWidth;
  std::int32_t Split = 0;
  std::string LoginFile;
  std::string LogoutFile;
  bool CommentPrior = false;

  bool operator==(const EditWndCfg&) const = default;
};

struct RecCfg {
  bool DoRecord = false;
  std::string RecordFile;     // name pattern
  std::string RecordFileExp;  // extension without the dot
  std::string RecordFolder;   // empty for the program's default

  bool operator==(const RecCfg&) const = default;
};

struct OneCfg {
  bool ShowMsg = false;
  std::uint16_t ShowMsgTime = 0;
  bool DoAction = false;
  bool ManagerReport = false;
  bool AutoMAC = false;
  RecCfg Rec;

  bool operator==(const OneCfg&) const = default;
};

struct AllCfg {
  bool ShowMsg = false;
  std::uint16_t ShowMsgTime = 0;
  bool PlayWave = false;
  std::string WaveFile;
  std::uint16_t ActTime = 0;
  std::string ActFile;
  std::int32_t Action = 0;  // 1 nothing, 2 power off, 3 run ActFile; 0 no choice yet
  bool ManagerReport = false;

  bool operator==(const AllCfg&) const = default;
};

struct AccCfg {
  std::uint16_t CheckInterval = 0;
  std::int32_t CheckLevel = 0;
  std::int32_t ReportLevel = 0;
  bool NotUserOnly = false;
  bool IPCNoChk = false;
  bool SysvolNoChk = false;
  bool MyPCNoChk = false;
  bool OpenAccessList = false;
  bool AccessListAutoClose = false;
  bool ShowMsg = false;
  std::uint16_t ShowMsgTime = 0;
  bool PlayWave = false;
  std::string WaveFile;
  bool ManagerReport = false;
  RecCfg Rec;

  bool operator==(const AccCfg&) const = default;
};

struct BackgroundCfg {
  std::string File;
  bool Transport = false;
  std::int32_t TextColor = 0;
  std::int32_t TileMode = 0;

  bool operator==(const BackgroundCfg&) const = default;
};

struct SentrovaCfg {
  std::int32_t ScreenMode = 0;
  std::int32_t ListMode = 0;
  std::uint16_t IconImageType = 0;
  std::uint16_t OffIconImageType = 0;
  bool FixIcon = false;
  MainWndCfg MainWnd;
  EditWndCfg EditWnd;
  MainWndCfg AccWnd;
  std::uint16_t CheckInterval = 0;
  bool WaitWave = false;
  std::int32_t MessageLevel = 0;
  std::int32_t MessageSpeed = 0;
  bool SmallIcon = false;
  bool DisableClose = false;
  std::int32_t BlinkIcon = 0;
  bool BlinkAlways = false;
  std::int32_t DblClickAction = 0;
  std::string XMLEncoding;
  std::string XSLFile;
  OneCfg Login;
  OneCfg Logout;
  AllCfg AllLogin;
  AllCfg AllLogout;
  AccCfg Access;
  std::int32_t TimeOut = 0;
  std::int32_t SendBytes = 0;
  std::uint8_t TTL = 0;
  std::string SendMessage;
  bool AutoSend = false;
  bool SafeCheck = false;
  bool StartCheck = false;
  bool StartCheckMsg = false;
  std::string Manager;
  BackgroundCfg Background;

  bool operator==(const SentrovaCfg&) const = default;
};

// The version written into the settings file.
inline constexpr const char* ProgramVersion = "2.10a";

// The program's settings.
extern SentrovaCfg Cfg;

}  // namespace sentrova
