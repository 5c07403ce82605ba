// Turns SIGTERM, SIGINT and SIGHUP into Qt signals on the main thread (a
// handler writes the number to a socket pair; a notifier reads it).
#pragma once

#include <QObject>

class QSocketNotifier;

namespace sentrova {

class UnixSignals : public QObject {
  Q_OBJECT
 public:
  explicit UnixSignals(QObject* parent = nullptr);
  ~UnixSignals() override;

 signals:
  void terminateRequested();  // SIGTERM, SIGHUP: the session ends
  void interruptRequested();  // SIGINT: Ctrl-C

 private:
  void OnReadable();
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace sentrova
