#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/list_file.h"
#include "app/system_info.h"
#include "settings/text.h"
#include "settings/text_file.h"

namespace sentrova {
namespace {

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string ExecutableDir() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return std::filesystem::path(std::string(buf, static_cast<std::size_t>(n))).parent_path().string();
}

// The value of KEY=value (optionally quoted) in an os-release text.
std::string OsReleaseValue(const std::string& text, const std::string& key) {
  for (const std::string& line : SplitLines(text)) {
    if (line.compare(0, key.size() + 1, key + "=") != 0) continue;
    std::string v = line.substr(key.size() + 1);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
    return v;
  }
  return {};
}

}  // namespace

std::string NetBiosName(const std::string& hostName) {
  std::string name = ToUpperAscii(hostName.substr(0, hostName.find('.')));
  if (name.size() > 15) name.resize(15);
  return name;
}

std::string ReadComputerName() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return {};
  return NetBiosName(buf);
}

std::string LocalOSNameFrom(const std::string& osRelease, const std::string& kernelName,
                            const std::string& kernelRelease, AppFacts& facts) {
  facts.PlatformCode = 2;
  facts.IsNT3x = false;
  int major = 0;
  ParseInt(kernelRelease.substr(0, kernelRelease.find('.')), major);
  facts.OSMajorVersion = major;
  std::string name = OsReleaseValue(osRelease, "PRETTY_NAME");
  if (name.empty()) name = OsReleaseValue(osRelease, "NAME");
  const std::string kernel = TrimBlanks(kernelName + " " + kernelRelease);
  if (name.empty()) return kernel.empty() ? "OS Unknown" : kernel;
  return kernel.empty() ? name : name + " " + kernel;
}

std::string GetLocalOSName(AppFacts& facts) {
  std::string osRelease;
  if (!ReadWholeFile("/etc/os-release", osRelease)) ReadWholeFile("/usr/lib/os-release", osRelease);
  struct utsname u {};
  std::string sysname, release;
  if (::uname(&u) == 0) {
    sysname = u.sysname;
    release = u.release;
  }
  return LocalOSNameFrom(osRelease, sysname, release, facts);
}

std::string ChooseDataDir(const DataDirInputs& in) {
  if (!in.DataDirArg.empty()) return WithSlash(in.DataDirArg);
  if (!in.SentrovaHome.empty()) return WithSlash(in.SentrovaHome);
  if (!in.ExeDir.empty() && in.FileExists) {
    const std::string exe = WithSlash(in.ExeDir);
    // A portable install keeps its files beside the program.
    for (const char* name : {"Sentrova.ini", ListFileName(0), ListFileName(1), ListFileName(2), ListFileName(3)}) {
      if (in.FileExists(exe + name)) return exe;
    }
  }
  if (!in.XdgConfigHome.empty() && in.XdgConfigHome[0] == '/') return WithSlash(in.XdgConfigHome) + "sentrova/";
  if (!in.Home.empty()) return WithSlash(in.Home) + ".config/sentrova/";
  return "./";
}

bool ResolveDataDir(const std::string& dataDirArg, std::string& dir, std::string& errorText) {
  DataDirInputs in;
  in.DataDirArg = dataDirArg;
  in.SentrovaHome = Env("SENTROVA_HOME");
  in.ExeDir = ExecutableDir();
  in.XdgConfigHome = Env("XDG_CONFIG_HOME");
  in.Home = Env("HOME");
  in.FileExists = [](const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  };
  dir = ChooseDataDir(in);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (!std::filesystem::is_directory(dir, ec)) {
    errorText = dir + ": " + (ec ? ec.message() : std::string(std::strerror(ENOTDIR)));
    return false;
  }
  if (::access(dir.c_str(), W_OK | X_OK) != 0) {
    errorText = dir + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace sentrova
