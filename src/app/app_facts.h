// Facts about this process and machine, gathered once at start-up and read
// by the rest of the program.
#pragma once

#include <string>

namespace sentrova {

inline constexpr const char* kAppTitle = "Sentrova Ver 2.10a";
inline constexpr const char* kAppName = "Sentrova";

struct AppFacts {
  std::string ComputerName;  // NetBIOS form: upper case, at most 15 bytes; empty when unknown
  std::string ProgramDir;    // data directory, with its trailing "/"
  int PlatformCode = 3;      // 0 Win32s, 1 9x, 2 NT family, 3 other
  int OSMajorVersion = 0;
  bool IsNT3x = false;
  bool ExitWindowsAllowed = true;
};

}  // namespace sentrova
