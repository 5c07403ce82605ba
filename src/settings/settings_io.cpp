#include "settings/settings_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "settings/ini_file.h"
#include "settings/text.h"
#include "settings/text_file.h"
#include "settings/xml_facility.h"

namespace sentrova {
namespace {

// Files of this version and later have the current layout.
constexpr std::string_view kFirstCurrentVersion = "1.92";
constexpr const char* kDefaultVersion = "0.00";
// How a line break of SendMessage is kept in the file.
constexpr std::string_view kStoredLineBreak = "\\r\\n";

constexpr const char* kColPositions = "0,1,2,3,4,5,6,7,8,9,10,11,12";
constexpr const char* kEditColWidths = "50,50,50,50,50,50,50,50,50,0,0";
constexpr const char* kAccColWidths = "80,120,60,70,50";
constexpr const char* kRecordFile = "SV%y%m%d";
constexpr const char* kRecordFileExp = "log";

std::uint16_t ToWord(int v) { return static_cast<std::uint16_t>(static_cast<std::uint32_t>(v)); }
std::uint8_t ToByte(int v) { return static_cast<std::uint8_t>(static_cast<std::uint32_t>(v)); }

// Byte-wise comparison; a text that is a prefix of the other is the smaller.
bool BytesLess(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

// Every line break (CR LF, and a lone CR or LF, which would otherwise end the
// line in the file) as the four characters \r\n.
std::string StoreLineBreaks(std::string text) {
  text = ReplaceAll(std::move(text), "\r\n", kStoredLineBreak);
  text = ReplaceAll(std::move(text), "\r", kStoredLineBreak);
  return ReplaceAll(std::move(text), "\n", kStoredLineBreak);
}

// Reads keys into members.
class Reader {
 public:
  explicit Reader(const IniFile& ini) : ini_(ini) {}
  void Str(const char* s, const char* k, std::string& m, const char* def) { m = ini_.ReadString(s, k, def); }
  void Quoted(const char* s, const char* k, std::string& m, const char* def) { Str(s, k, m, def); }
  void Message(const char* s, const char* k, std::string& m) {
    m = ReplaceAll(ini_.ReadString(s, k, ""), kStoredLineBreak, "\r\n");
  }
  void Int(const char* s, const char* k, std::int32_t& m, int def) { m = ini_.ReadInteger(s, k, def); }
  void Word(const char* s, const char* k, std::uint16_t& m, int def) { m = ToWord(ini_.ReadInteger(s, k, def)); }
  void ReadOnlyWord(const char* s, const char* k, std::uint16_t& m, int def) { Word(s, k, m, def); }
  void Byte(const char* s, const char* k, std::uint8_t& m, int def) { m = ToByte(ini_.ReadInteger(s, k, def)); }
  void Bool(const char* s, const char* k, bool& m, bool def) { m = ini_.ReadBool(s, k, def); }

 private:
  const IniFile& ini_;
};

// Writes members as keys, in call order; stops at the first key that cannot
// be written.
class Writer {
 public:
  explicit Writer(IniFile& ini) : ini_(ini) {}
  bool ok() const { return ok_; }
  void Put(const char* s, const char* k, const std::string& v) {
    if (ok_) ok_ = ini_.WriteString(s, k, v);
  }
  void Str(const char* s, const char* k, const std::string& m, const char*) { Put(s, k, m); }
  // In single quotes, so that a value in double quotes keeps them when read.
  void Quoted(const char* s, const char* k, const std::string& m, const char*) { Put(s, k, "'" + m + "'"); }
  void Message(const char* s, const char* k, const std::string& m) { Put(s, k, StoreLineBreaks(m)); }
  void Int(const char* s, const char* k, std::int32_t m, int) { Put(s, k, std::to_string(m)); }
  void Word(const char* s, const char* k, std::uint16_t m, int) { Put(s, k, std::to_string(m)); }
  void ReadOnlyWord(const char*, const char*, std::uint16_t, int) {}
  void Byte(const char* s, const char* k, std::uint8_t m, int) { Put(s, k, std::to_string(m)); }
  void Bool(const char* s, const char* k, bool m, bool) { Put(s, k, m ? "1" : "0"); }

 private:
  IniFile& ini_;
  bool ok_ = true;
};

template <class Io, class C>
void OneLayout(Io& io, const char* s, C& c) {
  io.Bool(s, "ShowMsg", c.ShowMsg, true);
  io.Bool(s, "DoAction", c.DoAction, false);
  io.Bool(s, "ManagerReport", c.ManagerReport, false);
  io.Bool(s, "AutoMAC", c.AutoMAC, false);
  io.Word(s, "ShowMsgTime", c.ShowMsgTime, 7);
  io.Bool(s, "DoRecord", c.Rec.DoRecord, false);
  io.Str(s, "RecordFile", c.Rec.RecordFile, kRecordFile);
  io.Str(s, "RecordFileExp", c.Rec.RecordFileExp, kRecordFileExp);
  io.Str(s, "RecordFolder", c.Rec.RecordFolder, "");
}

template <class Io, class C>
void AllLayout(Io& io, const char* s, C& c) {
  io.Bool(s, "ShowMsg", c.ShowMsg, true);
  io.Bool(s, "PlayWave", c.PlayWave, false);
  io.Str(s, "WaveFile", c.WaveFile, "");
  io.Word(s, "ActTime", c.ActTime, 5);
  io.Int(s, "Action", c.Action, 1);
  io.Str(s, "ActFile", c.ActFile, "");
  io.Word(s, "ShowMsgTime", c.ShowMsgTime, 7);
  io.Bool(s, "ManagerReport", c.ManagerReport, false);
}

// Every key of the current layout in the order of saving ("Version" apart).
// C is SentrovaCfg for reading and const SentrovaCfg for writing.
template <class Io, class C>
void CurrentLayout(Io& io, C& c) {
  io.Int("Sentrova", "ScreenMode", c.ScreenMode, 1);
  io.Int("Sentrova", "ListMode", c.ListMode, 1);
  io.Bool("Sentrova", "FixIcon", c.FixIcon, false);
  io.ReadOnlyWord("Sentrova", "IconImageType", c.IconImageType, 0);
  io.ReadOnlyWord("Sentrova", "OffIconImageType", c.OffIconImageType, 0);

  io.Str("MainWnd", "Size", c.MainWnd.Size, "E,E");
  io.Str("MainWnd", "Pos", c.MainWnd.Pos, "E,E");
  io.Str("MainWnd", "ColWidth", c.MainWnd.ColWidth, "50,50,50,50,50,50,50,50,50,50,0");
  io.Str("MainWnd", "ColPosition", c.MainWnd.ColPosition, kColPositions);

  io.Str("EditWnd", "Size", c.EditWnd.Size, "E,E");
  io.Str("EditWnd", "Pos", c.EditWnd.Pos, "E,E");
  io.Str("EditWnd", "ColWidth", c.EditWnd.ColWidth, kEditColWidths);
  io.Int("EditWnd", "Split", c.EditWnd.Split, 272);
  io.Quoted("EditWnd", "LoginFile", c.EditWnd.LoginFile, "");
  io.Quoted("EditWnd", "LogoutFile", c.EditWnd.LogoutFile, "");
  io.Bool("EditWnd", "CommentPrior", c.EditWnd.CommentPrior, false);

  io.Str("AccWnd", "Size", c.AccWnd.Size, "E,E");
  io.Str("AccWnd", "Pos", c.AccWnd.Pos, "E,E");
  io.Str("AccWnd", "ColWidth", c.AccWnd.ColWidth, kAccColWidths);

  io.Word("Config", "CheckInterval", c.CheckInterval, 5);
  io.Bool("Config", "WaitWave", c.WaitWave, true);
  io.Int("Config", "MessageLevel", c.MessageLevel, 0);
  io.Int("Config", "MessageSpeed", c.MessageSpeed, 0);

  OneLayout(io, "Login", c.Login);
  OneLayout(io, "Logout", c.Logout);
  AllLayout(io, "AllLogin", c.AllLogin);
  AllLayout(io, "AllLogout", c.AllLogout);

  auto& a = c.Access;
  io.Word("Access", "CheckInterval", a.CheckInterval, 300);
  io.Int("Access", "CheckLevel", a.CheckLevel, 2);
  io.Int("Access", "ReportLevel", a.ReportLevel, 2);
  io.Bool("Access", "ShowMsg", a.ShowMsg, true);
  io.Bool("Access", "PlayWave", a.PlayWave, false);
  io.Str("Access", "WaveFile", a.WaveFile, "");
  io.Bool("Access", "OpenAccessList", a.OpenAccessList, false);
  io.Bool("Access", "AccessListAutoClose", a.AccessListAutoClose, false);
  io.Bool("Access", "IPCNoChk", a.IPCNoChk, false);
  io.Word("Access", "ShowMsgTime", a.ShowMsgTime, 7);
  io.Bool("Access", "NotUserOnly", a.NotUserOnly, false);
  io.Bool("Access", "SysvolNoChk", a.SysvolNoChk, false);
  io.Bool("Access", "MyPCNoChk", a.MyPCNoChk, false);
  io.Bool("Access", "DoRecord", a.Rec.DoRecord, false);
  io.Str("Access", "RecordFile", a.Rec.RecordFile, kRecordFile);
  io.Str("Access", "RecordFileExp", a.Rec.RecordFileExp, kRecordFileExp);
  io.Str("Access", "RecordFolder", a.Rec.RecordFolder, "");
  io.Bool("Access", "ManagerReport", a.ManagerReport, false);

  io.Bool("Config", "SafeCheck", c.SafeCheck, false);
  io.Bool("Config", "StartCheck", c.StartCheck, false);
  io.Bool("Config", "StartCheckMsg", c.StartCheckMsg, false);
  io.Str("Config", "Manager", c.Manager, "");
  io.Bool("Config", "SmallIcon", c.SmallIcon, false);
  io.Bool("Config", "DisableClose", c.DisableClose, false);
  io.Int("Config", "BlinkIcon", c.BlinkIcon, 0);
  io.Bool("Config", "BlinkAlways", c.BlinkAlways, false);
  io.Int("Config", "DblClickAction", c.DblClickAction, 0);
  io.Str("Config", "XMLEncoding", c.XMLEncoding, "UTF-8");
  io.Str("Config", "XSLFile", c.XSLFile, "");

  io.Int("TCPIP", "TimeOut", c.TimeOut, 2000);
  io.Int("TCPIP", "SendBytes", c.SendBytes, 0);
  io.Byte("TCPIP", "TTL", c.TTL, 128);

  io.Message("Messenger", "SendMessage", c.SendMessage);
  io.Bool("Messenger", "AutoSend", c.AutoSend, false);

  io.Str("Background", "File", c.Background.File, "");
  io.Bool("Background", "Transport", c.Background.Transport, true);
  io.Int("Background", "TextColor", c.Background.TextColor, 0);
  io.Int("Background", "TileMode", c.Background.TileMode, 1);
}

// p is "Login" or "Logout".
void ReadOneOld(Reader& r, const std::string& p, OneCfg& c) {
  const char* s = "Sentrova";
  r.Bool(s, (p + "Msg").c_str(), c.ShowMsg, true);
  r.Bool(s, (p + "Wave").c_str(), c.DoAction, false);
  r.Bool(s, (p + "ManagerReport").c_str(), c.ManagerReport, false);
  r.Word(s, ("MsgTime" + p).c_str(), c.ShowMsgTime, 7);
  r.Bool(s, (p + "Record").c_str(), c.Rec.DoRecord, false);
  r.Str(s, (p + "RecordFile").c_str(), c.Rec.RecordFile, kRecordFile);
  r.Str(s, (p + "RecordFileExp").c_str(), c.Rec.RecordFileExp, kRecordFileExp);
  r.Str(s, (p + "RecordDir").c_str(), c.Rec.RecordFolder, "");
  c.AutoMAC = false;
}

void ReadAllOld(Reader& r, const std::string& p, AllCfg& c) {
  const char* s = "Sentrova";
  r.Bool(s, p.c_str(), c.ShowMsg, true);
  r.Bool(s, (p + "Wave").c_str(), c.PlayWave, false);
  r.Str(s, (p + "WaveFile").c_str(), c.WaveFile, "");
  r.Word(s, (p + "ActTime").c_str(), c.ActTime, 5);
  r.Int(s, (p + "Act").c_str(), c.Action, 1);
  r.Str(s, (p + "ActFile").c_str(), c.ActFile, "");
  r.Word(s, (p + "Time").c_str(), c.ShowMsgTime, 7);
  r.Bool(s, (p + "ManagerReport").c_str(), c.ManagerReport, false);
}

// Every key of the older layout, then the members it does not hold.
void ReadOldLayout(const IniFile& ini, SentrovaCfg& c) {
  Reader r(ini);
  const char* s = "Sentrova";
  r.Int(s, "ScreenMode", c.ScreenMode, 1);
  r.Int(s, "ListMode", c.ListMode, 1);
  r.Str(s, "MainSize", c.MainWnd.Size, "E,E");
  r.Str(s, "MainPos", c.MainWnd.Pos, "E,E");
  r.Str(s, "MainColSize", c.MainWnd.ColWidth, "50,50,50,50,50,50,50,50,50,50,50,0");
  r.Str(s, "EditSize", c.EditWnd.Size, "E,E");
  r.Str(s, "EditPos", c.EditWnd.Pos, "E,E");
  r.Str(s, "EditColSize", c.EditWnd.ColWidth, kEditColWidths);
  r.Int(s, "NetworkWidth", c.EditWnd.Split, 272);
  r.Str(s, "SetupLoginWaveFile", c.EditWnd.LoginFile, "");
  r.Str(s, "SetupLogoutWaveFile", c.EditWnd.LogoutFile, "");
  r.Bool(s, "CommentPrior", c.EditWnd.CommentPrior, false);
  r.Str(s, "SessionSize", c.AccWnd.Size, "E,E");
  r.Str(s, "SessionPos", c.AccWnd.Pos, "E,E");
  r.Str(s, "SessionColSize", c.AccWnd.ColWidth, kAccColWidths);
  r.Word(s, "CheckTime", c.CheckInterval, 5);
  r.Bool(s, "WaveWait", c.WaitWave, true);
  r.Int(s, "MessageLevel", c.MessageLevel, 0);
  ReadOneOld(r, "Login", c.Login);
  ReadOneOld(r, "Logout", c.Logout);
  ReadAllOld(r, "AllLogin", c.AllLogin);
  ReadAllOld(r, "AllLogout", c.AllLogout);
  AccCfg& a = c.Access;
  r.Word(s, "AccChk", a.CheckInterval, 300);
  r.Bool(s, "AllEnter", a.ShowMsg, true);
  r.Bool(s, "AllEnterWave", a.PlayWave, false);
  r.Str(s, "AllEnterWaveFile", a.WaveFile, "");
  r.Bool(s, "OpenSessionWindow", a.OpenAccessList, false);
  r.Bool(s, "UserOnly", a.NotUserOnly, false);  // taken over as it is, not inverted
  r.Bool(s, "IPCNoChk", a.IPCNoChk, false);
  r.Word(s, "AllEnterTime", a.ShowMsgTime, 7);
  r.Bool(s, "SessionRecord", a.Rec.DoRecord, false);
  r.Str(s, "SessionRecordFile", a.Rec.RecordFile, kRecordFile);
  r.Str(s, "SessionRecordFileExp", a.Rec.RecordFileExp, kRecordFileExp);
  r.Str(s, "SessionRecordDir", a.Rec.RecordFolder, "");
  r.Bool(s, "AccessManagerReport", a.ManagerReport, false);
  r.Bool(s, "SafeCheck", c.SafeCheck, false);
  r.Bool(s, "StartCheck", c.StartCheck, false);
  r.Bool(s, "StartCheckMsg", c.StartCheckMsg, false);
  r.Str(s, "Manager", c.Manager, "");
  r.Int(s, "PingTimeOut", c.TimeOut, 2000);
  r.Int(s, "PingSendByte", c.SendBytes, 0);
  r.Byte(s, "PingTTL", c.TTL, 128);
  r.Str(s, "SendMessage", c.SendMessage, "");  // as stored: no line-break conversion
  r.Bool(s, "AutoSendMessage", c.AutoSend, false);
  r.Word(s, "IconImageType", c.IconImageType, 0);
  r.Word(s, "OffIconImageType", c.OffIconImageType, 0);

  c.FixIcon = false;
  c.MainWnd.ColPosition = kColPositions;
  c.MessageSpeed = 0;
  a.CheckLevel = 2;
  a.ReportLevel = 1;
  a.AccessListAutoClose = false;
  a.SysvolNoChk = false;
  a.MyPCNoChk = false;
  c.SmallIcon = false;
  c.DisableClose = false;
  c.BlinkAlways = false;
  c.BlinkIcon = 0;
  c.DblClickAction = 0;
  c.XMLEncoding = "UTF-8";
  c.XSLFile.clear();
  c.Background = BackgroundCfg{};
}

// Copies the file `from` to `to` unless `to` exists. The copy is written
// completely under a temporary name first, then linked to its name, which
// fails when that name is taken; so a copy is either whole or absent.
bool CopyFileNoReplace(const std::string& from, const std::string& to) {
  std::string bytes;
  if (!ReadWholeFile(from, bytes)) return false;
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0) return false;
  std::string tmp = to + ".XXXXXX";
  const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  const bool made = ::fchmod(fd, st.st_mode & 07777) == 0 || errno == EPERM;
  ::close(fd);
  bool ok = made && WriteFileAtomic(tmp, bytes);
  if (ok && ::link(tmp.c_str(), to.c_str()) != 0) {
    // A file system without hard links: rename, unless the name is taken.
    struct stat existing {};
    ok = (errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS) && ::lstat(to.c_str(), &existing) != 0 &&
         errno == ENOENT && ::rename(tmp.c_str(), to.c_str()) == 0;
  }
  ::unlink(tmp.c_str());
  return ok;
}

// programDir/Sentrova.ini with its extension replaced: Sentrova.oldver.ini.
std::string BackupPath(const std::string& programDir) { return programDir + SettingsBackupFileName; }

std::string WriteFailedText(const std::string& detail) { return "設定ファイルに書き込めませんでした。\r\n" + detail; }

void AddWarning(LoadSettingsResult& result, const std::string& detail) {
  if (!result.warning.empty()) result.warning += "\r\n";
  result.warning += WriteFailedText(detail);
}

bool IsTwoDigits(const std::string& s) {
  return s.size() == 2 && s[0] >= '0' && s[0] <= '9' && s[1] >= '0' && s[1] <= '9';
}

}  // namespace

std::string SettingsFilePath(const std::string& programDir) { return programDir + SettingsFileName; }

LoadSettingsResult LoadSettings(const std::string& programDir, const std::vector<std::string>& args,
                                SentrovaCfg& cfg, const XmlProbe& xmlAvailable) {
  LoadSettingsResult result;
  IniFile ini(SettingsFilePath(programDir));

  const std::string version = ToCp932(ini.ReadString("Sentrova", "Version", kDefaultVersion));
  result.currentLayout = !BytesLess(version, kFirstCurrentVersion);
  if (result.currentLayout) {
    Reader reader(ini);
    CurrentLayout(reader, cfg);
  } else {
    ReadOldLayout(ini, cfg);
    // Keep the older file once; its section goes only when the copy is safe.
    if (CopyFileNoReplace(ini.Path(), BackupPath(programDir))) {
      result.backupMade = true;
      if (!ini.EraseSection("Sentrova")) AddWarning(result, ini.LastError());
    }
  }

  if (!args.empty() && IsTwoDigits(args[0])) {
    cfg.IconImageType = static_cast<std::uint16_t>(args[0][0] - '0');
    cfg.OffIconImageType = static_cast<std::uint16_t>(args[0][1] - '0');
    if (!ini.WriteInteger("Sentrova", "IconImageType", cfg.IconImageType) ||
        !ini.WriteInteger("Sentrova", "OffIconImageType", cfg.OffIconImageType)) {
      AddWarning(result, ini.LastError());
    }
  }

  if (cfg.Access.CheckLevel < cfg.Access.ReportLevel) cfg.Access.ReportLevel = cfg.Access.CheckLevel;

  const bool xml = xmlAvailable ? xmlAvailable() : XmlFacilityWorks();
  if (!xml) {
    for (RecCfg* rec : {&cfg.Login.Rec, &cfg.Logout.Rec, &cfg.Access.Rec}) {
      if (ToUpperAscii(rec->RecordFileExp) == "XML") rec->RecordFileExp = "log";
    }
  }
  return result;
}

bool SaveSettings(const std::string& programDir, const SentrovaCfg& cfg, std::string& errorText) {
  // All keys go into the file in one replacement.
  IniFile ini(SettingsFilePath(programDir), IniFile::FlushMode::Explicit);
  Writer writer(ini);
  writer.Put("Sentrova", "Version", ProgramVersion);
  CurrentLayout(writer, cfg);
  if (writer.ok() && ini.Flush()) return true;
  errorText = WriteFailedText(ini.LastError());
  return false;
}

int SettingsIntField(std::string_view text, int n, int fallback) {
  int value = 0;
  return ParseInt(FieldOf(text, ',', n), value) ? value : fallback;
}

}  // namespace sentrova
