// This machine's name, operating system and the program's data directory.
#pragma once

#include <functional>
#include <string>

#include "app/app_facts.h"

namespace sentrova {

// The short host name in its NetBIOS form: up to the first ".", upper case,
// at most 15 bytes. Empty when it cannot be read.
std::string ReadComputerName();
std::string NetBiosName(const std::string& hostName);

// This computer's operating system, as the caption and the properties show
// it; sets PlatformCode (the NT family: the full service set), OSMajorVersion
// (the kernel's major version) and IsNT3x in facts.
std::string GetLocalOSName(AppFacts& facts);
// The same from the texts it reads: /etc/os-release and the kernel release.
std::string LocalOSNameFrom(const std::string& osRelease, const std::string& kernelName,
                            const std::string& kernelRelease, AppFacts& facts);

// Where the program keeps its settings and list file.
struct DataDirInputs {
  std::string DataDirArg;     // --data-dir, empty when not given
  std::string SentrovaHome;   // $SENTROVA_HOME
  std::string ExeDir;         // directory of the executable
  std::string XdgConfigHome;  // $XDG_CONFIG_HOME
  std::string Home;           // $HOME
  std::function<bool(const std::string&)> FileExists;
};
// The chosen directory with a trailing "/", not yet created.
std::string ChooseDataDir(const DataDirInputs& in);
// ChooseDataDir from the real environment, then creates the directory when
// missing. False (errorText set) when it cannot be created or is not a
// writable directory.
bool ResolveDataDir(const std::string& dataDirArg, std::string& dir, std::string& errorText);

}  // namespace sentrova
