#include "platform/spawn_process_starter.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

extern char** environ;

namespace sentrova {

namespace {

constexpr int kFallbackPollMs = 200;

int PidfdOpen(pid_t pid) {
#ifdef SYS_pidfd_open
  const long fd = syscall(SYS_pidfd_open, pid, 0);
  return fd < 0 ? -1 : static_cast<int>(fd);
#else
  (void)pid;
  return -1;
#endif
}

// posix_spawn attributes and file actions, released on every path.
class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawnattr_init(&attr_);
    posix_spawn_file_actions_init(&actions_);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attr_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  bool Prepare() {
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    return posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                POSIX_SPAWN_SETPGROUP) == 0 &&
           posix_spawnattr_setsigmask(&attr_, &none) == 0 && posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
           posix_spawnattr_setpgroup(&attr_, 0) == 0 &&
           posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
           posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1) == 0;
  }

  posix_spawnattr_t* attr() { return &attr_; }
  posix_spawn_file_actions_t* actions() { return &actions_; }

 private:
  posix_spawnattr_t attr_;
  posix_spawn_file_actions_t actions_;
};

}  // namespace

SpawnProcessStarter::SpawnProcessStarter() {
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) throw std::runtime_error("eventfd failed");
  reaper_ = std::thread([this] { Reap(); });
}

SpawnProcessStarter::~SpawnProcessStarter() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  const std::uint64_t one = 1;
  if (write(wakeFd_, &one, sizeof one) < 0) {
    // Cannot happen for an eventfd below its limit; the reaper also looks
    // at quit_ every time poll returns.
  }
  reaper_.join();
  for (const Child& child : children_)
    if (child.pidfd >= 0) close(child.pidfd);
  close(wakeFd_);
}

bool SpawnProcessStarter::Start(const std::vector<std::string>& argv) { return Spawn(argv) > 0; }

pid_t SpawnProcessStarter::Spawn(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) return -1;
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  SpawnSetup setup;
  if (!setup.Prepare()) return -1;
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], setup.actions(), setup.attr(), args.data(), environ) != 0) return -1;

  // The child cannot be reaped before it is registered here (only the
  // reaper waits for it), so its pid cannot have been reused meanwhile.
  const int pidfd = PidfdOpen(pid);
  if (pidfd >= 0) fcntl(pidfd, F_SETFD, FD_CLOEXEC);
  {
    std::lock_guard lock(mutex_);
    children_.push_back({pid, pidfd});
  }
  const std::uint64_t one = 1;
  if (write(wakeFd_, &one, sizeof one) < 0) {
    // The counter is full, so the reaper is being woken anyway.
  }
  return pid;
}

std::size_t SpawnProcessStarter::Unreaped() const {
  std::lock_guard lock(mutex_);
  return children_.size();
}

void SpawnProcessStarter::Reap() {
  std::vector<pollfd> fds;
  for (;;) {
    bool fallback = false;
    fds.clear();
    fds.push_back({wakeFd_, POLLIN, 0});
    {
      std::lock_guard lock(mutex_);
      if (quit_) return;
      for (const Child& child : children_) {
        if (child.pidfd >= 0) {
          fds.push_back({child.pidfd, POLLIN, 0});
        } else {
          fallback = true;
        }
      }
    }
    if (poll(fds.data(), fds.size(), fallback ? kFallbackPollMs : -1) < 0 && errno != EINTR) {
      fallback = true;  // keep going by looking at every child below
    }
    std::uint64_t count = 0;
    if (read(wakeFd_, &count, sizeof count) < 0) {
      // EAGAIN: nobody woke us, a child ended.
    }

    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < children_.size();) {
      const Child child = children_[i];
      const pid_t r = waitpid(child.pid, nullptr, WNOHANG);
      if (r == child.pid || (r < 0 && errno == ECHILD)) {
        if (child.pidfd >= 0) close(child.pidfd);
        children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        ++i;
      }
    }
  }
}

}  // namespace sentrova
