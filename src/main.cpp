// The entry: command line, single instance, data directory, then the window
// or the console mode.
#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>

#include <clocale>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/app_facts.h"
#include "app/instance_lock.h"
#include "app/startup.h"
#include "app/tdm.h"
#include "app/system_info.h"
#include "settings/settings_cfg.h"
#include "ui/console_app.h"
#include "ui/main_window.h"
#include "ui/qt_dispatcher.h"
#include "ui/unix_signals.h"

namespace {

using namespace sentrova;

// A message box in the window mode, a line on standard error in both modes.
void Report(bool console, const std::string& text, const char* caption, QMessageBox::Icon icon) {
  std::fprintf(stderr, "%s: %s\n", caption, text.c_str());
  if (console) return;
  int argc = 1;
  char name[] = "sentrova";
  char* argv[] = {name, nullptr};
  if (!QApplication::instance()) {
    QApplication app(argc, argv);
    QMessageBox(icon, QString::fromUtf8(caption), QString::fromStdString(text), QMessageBox::Ok).exec();
  } else {
    QMessageBox(icon, QString::fromUtf8(caption), QString::fromStdString(text), QMessageBox::Ok).exec();
  }
}

int RunWindow(int& argc, char** argv, AppFacts& facts, Dispatcher& dispatcher, const MainServices& services,
              const StartupOptions& options) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(kAppName);
  QApplication::setApplicationDisplayName(kAppTitle);
  int rc = 0;
  {
    TfmMain fmMain(facts, Cfg, dispatcher, services, options.ProgramArgs);
    UnixSignals unixSignals;
    // The session ends (log-out, shutdown, SIGTERM): nothing is saved.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &fmMain,
                     [&fmMain](QSessionManager&) { fmMain.EndSession(); });
    QObject::connect(&unixSignals, &UnixSignals::terminateRequested, &fmMain, [&fmMain] { fmMain.EndSession(); });
    QObject::connect(&unixSignals, &UnixSignals::interruptRequested, &fmMain, [&fmMain] { fmMain.close(); });
    // Access watching without the server services: said once, quietly.
    if (!fmMain.Controller().BindFailure().empty()) {
      fmMain.SetStatusText(fmMain.Controller().BindFailure());
      std::fprintf(stderr, "%s\n", fmMain.Controller().BindFailure().c_str());
    }
    rc = app.exec();
  }
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  const StartupOptions options = ParseCommandLine(args);
  if (options.Help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (options.Version) {
    std::printf("%s\n", kAppTitle);
    return 0;
  }
  if (!options.Error.empty()) {
    std::fprintf(stderr, "sentrova: %s\n\n%s", options.Error.c_str(), UsageText().c_str());
    return 1;
  }

  AppFacts facts;
  facts.ComputerName = ReadComputerName();

  InstanceLock lock(InstanceLock::DefaultPath(kAppName));
  const StartDecision decision = DecideStart(lock.TryAcquire(), options.Dup);
  if (!decision.Run) {
    if (!decision.Warning.empty()) Report(options.Console, decision.Warning, kAppName, QMessageBox::Warning);
    return decision.ExitCode;
  }

  std::string dirError;
  if (!ResolveDataDir(options.DataDir, facts.ProgramDir, dirError)) {
    Report(options.Console, "データフォルダを使用できません。\n" + dirError, kAppTitle, QMessageBox::Warning);
    return 1;
  }

  try {
    QtDispatcher dispatcher;
    Tdm dm(dispatcher);
    const int rc = options.Console ? RunConsole(argc, argv, facts, Cfg, dispatcher, dm.Services(), options)
                                   : RunWindow(argc, argv, facts, dispatcher, dm.Services(), options);
    // A second instance started with the switch leaves the lock to its holder.
    if (!options.Dup) lock.Release();
    return rc;
  } catch (const std::exception& e) {
    Report(options.Console, e.what(), kAppTitle, QMessageBox::Critical);
    return 1;
  }
}
