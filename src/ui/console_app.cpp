#include "ui/console_app.h"

#include <QCoreApplication>

#include <unistd.h>

#include <cstdio>

#include "app/console_view.h"
#include "app/main_controller.h"
#include "ui/qt_dispatcher.h"
#include "ui/unix_signals.h"

namespace sentrova {

int RunConsole(int& argc, char** argv, AppFacts& facts, SentrovaCfg& cfg, const MainServices& services,
               const StartupOptions& options) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(kAppName);
  QtDispatcher dispatcher;
  ConsoleView view(stdout, stderr, stdin, ::isatty(STDIN_FILENO) != 0);
  MainController controller(facts, cfg, dispatcher, view, services, options.ProgramArgs);
  UnixSignals unixSignals;

  bool closed = false;
  auto closeAndQuit = [&] {
    if (closed) return;
    closed = true;
    controller.CloseQuery();
    QCoreApplication::quit();
  };
  // Ctrl-C closes as the window's close button would; SIGTERM ends the
  // session: nothing is saved.
  QObject::connect(&unixSignals, &UnixSignals::interruptRequested, &app, closeAndQuit);
  QObject::connect(&unixSignals, &UnixSignals::terminateRequested, &app, [&] {
    if (closed) return;
    closed = true;
    controller.EndSession();
    QCoreApplication::quit();
  });

  controller.Construct();
  if (!controller.SettingsLoadResult().warning.empty()) {
    view.ShowMessage(controller.SettingsLoadResult().warning, kAppTitle, MsgIcon::Warning);
  }
  for (const std::string& problem : controller.StartupProblems()) {
    view.ShowMessage(problem, kAppTitle, MsgIcon::Warning);
  }
  // DeferredStart is queued by Construct; list the terminals once it ran.
  dispatcher.Post([&] {
    controller.DeferredStart();
    view.PrintTerminals(controller.MainList());
    if (options.Once) closeAndQuit();
  });
  const int rc = app.exec();
  controller.Destroy();
  return rc;
}

}  // namespace sentrova
