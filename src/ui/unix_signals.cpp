#include "ui/unix_signals.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

namespace sentrova {
namespace {

int g_fds[2] = {-1, -1};

void OnSignal(int sig) {
  const unsigned char b = static_cast<unsigned char>(sig);
  const ssize_t n = ::write(g_fds[0], &b, 1);
  (void)n;
}

}  // namespace

UnixSignals::UnixSignals(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_fds) != 0) return;
  notifier_ = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { OnReadable(); });
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}

UnixSignals::~UnixSignals() {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::signal(sig, SIG_DFL);
  if (g_fds[0] >= 0) {
    ::close(g_fds[0]);
    ::close(g_fds[1]);
    g_fds[0] = g_fds[1] = -1;
  }
}

void UnixSignals::OnReadable() {
  unsigned char b = 0;
  while (::read(g_fds[1], &b, 1) == 1) {
    if (b == SIGINT) {
      emit interruptRequested();
    } else {
      emit terminateRequested();
    }
  }
}

}  // namespace sentrova
