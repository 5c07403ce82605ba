// Arbitrary bytes as Sentrova.ini: loading must never crash, saving what was
// loaded must succeed, and the saved file must load as the current layout
// with the same numbers and switches.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "settings/settings_io.h"
#include "settings/text_file.h"

namespace {

const std::string& Dir() {
  static const std::string dir = [] {
    std::string pattern = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/ini-fuzz-XXXXXX");
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern + "/";
  }();
  return dir;
}

// The record without its strings and the two image types (never saved).
sentrova::SentrovaCfg Numbers(sentrova::SentrovaCfg c) {
  c.IconImageType = c.OffIconImageType = 0;
  c.MainWnd = c.AccWnd = {};
  c.EditWnd.Size = c.EditWnd.Pos = c.EditWnd.ColWidth = c.EditWnd.LoginFile = c.EditWnd.LogoutFile = "";
  c.XMLEncoding = c.XSLFile = c.SendMessage = c.Manager = c.Background.File = "";
  for (sentrova::RecCfg* r : {&c.Login.Rec, &c.Logout.Rec, &c.Access.Rec}) {
    r->RecordFile = r->RecordFileExp = r->RecordFolder = "";
  }
  for (sentrova::AllCfg* a : {&c.AllLogin, &c.AllLogout}) a->WaveFile = a->ActFile = "";
  c.Access.WaveFile = "";
  return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sentrova;
  const std::string dir = Dir();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  unlink((dir + SettingsBackupFileName).c_str());
  if (!WriteFileAtomic(SettingsFilePath(dir), bytes)) std::abort();

  // The first byte picks the start-up argument and whether XML works.
  const bool withArgument = size > 0 && (data[0] & 1);
  const bool xml = size > 0 && (data[0] & 2);
  const XmlProbe probe = [xml] { return xml; };
  const std::vector<std::string> args = withArgument ? std::vector<std::string>{"37"} : std::vector<std::string>{};

  SentrovaCfg first;
  LoadSettings(dir, args, first, probe);
  std::string error;
  if (!SaveSettings(dir, first, error)) std::abort();
  SentrovaCfg second;
  const LoadSettingsResult again = LoadSettings(dir, {}, second, probe);
  if (!again.currentLayout || again.backupMade) std::abort();
  if (!(Numbers(first) == Numbers(second))) std::abort();
  return 0;
}
