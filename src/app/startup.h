// The command line and the single-instance decision of the entry.
#pragma once

#include <string>
#include <vector>

#include "app/instance_lock.h"

namespace sentrova {

struct StartupOptions {
  bool Dup = false;      // "-Dup" or "/Dup", any letter case: a second instance may run
  bool Console = false;  // --console: no windows
  bool Once = false;     // --once: end after start-up
  bool Help = false;
  bool Version = false;
  std::string DataDir;             // --data-dir DIR
  std::vector<std::string> Args;   // every argument but the program name, as given
  // The arguments without this port's own options (--console, --once,
  // --data-dir DIR, --help, --version): what the program always read (the
  // "Dup" switch, the two-digit icon argument).
  std::vector<std::string> ProgramArgs;
  std::string Error;               // an unusable option; empty when the line is fine
};

StartupOptions ParseCommandLine(const std::vector<std::string>& args);
bool IsDupSwitch(const std::string& arg);

std::string UsageText();

// What the entry does with the lock's answer.
struct StartDecision {
  bool Run = false;
  int ExitCode = 0;
  std::string Warning;  // shown (caption "Sentrova", warning icon) when not empty
};
StartDecision DecideStart(InstanceLock::Result lock, bool dup);

}  // namespace sentrova
