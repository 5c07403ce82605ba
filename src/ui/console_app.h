// The console mode: the main window's start-up and close sequence without a
// window, on a QCoreApplication event loop.
#pragma once

#include "app/app_facts.h"
#include "app/main_services.h"
#include "app/startup.h"
#include "settings/settings_cfg.h"

namespace sentrova {

class Dispatcher;

// Runs until --once has finished, Ctrl-C, or SIGTERM. Returns the exit code.
int RunConsole(int& argc, char** argv, AppFacts& facts, SentrovaCfg& cfg, Dispatcher& dispatcher,
               const MainServices& services, const StartupOptions& options);

}  // namespace sentrova
