#include "app/startup.h"

#include "settings/text.h"

namespace sentrova {

bool IsDupSwitch(const std::string& arg) {
  return arg.size() == 4 && (arg[0] == '-' || arg[0] == '/') && ToUpperAscii(arg.substr(1)) == "DUP";
}

StartupOptions ParseCommandLine(const std::vector<std::string>& args) {
  StartupOptions o;
  o.Args = args;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsDupSwitch(a)) {
      o.Dup = true;
      o.ProgramArgs.push_back(a);
    } else if (a == "--console") {
      o.Console = true;
    } else if (a == "--once") {
      o.Once = true;
    } else if (a == "--help" || a == "-h") {
      o.Help = true;
    } else if (a == "--version") {
      o.Version = true;
    } else if (a == "--data-dir" || a.rfind("--data-dir=", 0) == 0) {
      if (a == "--data-dir") {
        if (i + 1 >= args.size() || args[i + 1].empty()) {
          o.Error = "--data-dir needs a directory";
          continue;
        }
        o.DataDir = args[++i];
      } else {
        o.DataDir = a.substr(11);
        if (o.DataDir.empty()) o.Error = "--data-dir needs a directory";
      }
    } else if (a.rfind("--", 0) == 0) {
      o.Error = "unknown option: " + a;
    } else {
      o.ProgramArgs.push_back(a);
    }
    // Anything else (the two-digit icon argument, stray words) is read by the
    // settings or ignored, as it always was.
  }
  return o;
}

std::string UsageText() {
  return "Usage: sentrova [-Dup] [NN]\n"
         "       sentrova --console [--data-dir DIR] [--once] [-Dup]\n"
         "       sentrova --help | --version\n"
         "\n"
         "Watches the computers of a LAN and reports who logged in and out.\n"
         "\n"
         "  -Dup, /dup       allow a second instance\n"
         "  NN               two digits: the icon images for logged-in and logged-out terminals\n"
         "  --console        run without windows; messages go to standard error\n"
         "  --once           end after start-up\n"
         "  --data-dir DIR   keep the settings and the terminal list in DIR\n"
         "  --help           show this text\n"
         "  --version        show the version\n";
}

StartDecision DecideStart(InstanceLock::Result lock, bool dup) {
  switch (lock) {
    case InstanceLock::Result::Failed:
      // No lock at all: end quietly, as when the named mutex could not be made.
      return {false, 1, ""};
    case InstanceLock::Result::HeldElsewhere:
      if (!dup) return {false, 1, "Sentrovaは既に起動しています。"};
      return {true, 0, ""};
    case InstanceLock::Result::Acquired:
      break;
  }
  return {true, 0, ""};
}

}  // namespace sentrova
