#include "ui/console_app.h"

#include <QCoreApplication>
#include <QTimer>

#include <unistd.h>

#include <cstdio>

#include "app/console_view.h"
#include "app/main_controller.h"
#include "ui/unix_signals.h"

namespace sentrova {
namespace {

// The console view with the watch timer on the event loop.
class TimedConsoleView : public ConsoleView {
 public:
  TimedConsoleView(const HistoryClock& clock, QTimer& watchTimer)
      : ConsoleView(stdout, stderr, stdin, ::isatty(STDIN_FILENO) != 0, clock), watchTimer_(watchTimer) {}
  void SetWatchTimerEnabled(bool enabled) override {
    if (!enabled) {
      watchTimer_.stop();
    } else if (!watchTimer_.isActive()) {
      watchTimer_.start();
    }
  }

 private:
  QTimer& watchTimer_;
};

}  // namespace

int RunConsole(int& argc, char** argv, AppFacts& facts, SentrovaCfg& cfg, Dispatcher& dispatcher,
               const MainServices& services, const StartupOptions& options) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(kAppName);
  QTimer tmWatch;
  tmWatch.setInterval(60000);
  TimedConsoleView view(services.Clock, tmWatch);
  MainController controller(facts, cfg, dispatcher, view, services, options.ProgramArgs);
  QObject::connect(&tmWatch, &QTimer::timeout, &app, [&] { controller.WatchTimerTick(); });
  UnixSignals unixSignals;

  bool closed = false;
  auto closeAndQuit = [&] {
    if (closed) return;
    closed = true;
    controller.CloseQuery();
    QCoreApplication::quit();
  };
  // Power-off from the all-logged-out action: the loop ends, nothing is saved.
  view.OnQuit = [&] {
    closed = true;
    QCoreApplication::quit();
  };
  // Ctrl-C stops a running check at its next stop point and closes as the
  // window's close button would; SIGTERM ends the session: nothing is saved.
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
  if (!controller.BindFailure().empty()) std::fprintf(stderr, "%s\n", controller.BindFailure().c_str());
  // DeferredStart is queued by Construct; list the terminals once it ran.
  dispatcher.Post([&] {
    controller.DeferredStart();
    view.PrintTerminals(controller.MainList());
    if (!options.Once) return;
    // One check of every terminal, its events, then the close sequence.
    controller.Watch().OnCheckEnded = closeAndQuit;
    if (controller.Watch().Checking()) return;  // the start-up check is running
    controller.SearchClick();
    if (!controller.Watch().Checking()) closeAndQuit();
  });
  const int rc = app.exec();
  controller.Destroy();
  return rc;
}

}  // namespace sentrova
