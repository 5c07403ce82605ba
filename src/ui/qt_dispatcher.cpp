#include "ui/qt_dispatcher.h"

#include <QCoreApplication>
#include <QThread>

#include <utility>

namespace sentrova {

bool QtDispatcher::IsMainThread() const {
  return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

void QtDispatcher::Post(std::function<void()> fn) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

void QtDispatcher::ProcessPending() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

}  // namespace sentrova
