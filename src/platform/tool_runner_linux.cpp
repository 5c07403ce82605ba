#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string_view>

#include "platform/tool_runner.h"

extern char** environ;

namespace sentrova {
namespace {

// Output beyond this is read and dropped, so a runaway tool cannot eat memory.
constexpr std::size_t kOutputCap = 16u << 20;

class Fd {
 public:
  Fd() = default;
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

bool MakePipe(Fd& readEnd, Fd& writeEnd) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  readEnd.Reset(fds[0]);
  writeEnd.Reset(fds[1]);
  return true;
}

void SetNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

// Writing to a pipe whose reader has gone raises SIGPIPE: keep it blocked on
// this thread while the tool runs and take a pending one away afterwards.
class SigpipeGuard {
 public:
  SigpipeGuard() {
    sigemptyset(&pipeSet_);
    sigaddset(&pipeSet_, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSet_, &old_);
  }
  ~SigpipeGuard() {
    if (!sigismember(&old_, SIGPIPE)) {
      const timespec zero{0, 0};
      while (sigtimedwait(&pipeSet_, nullptr, &zero) > 0) {
      }
      pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
  }

 private:
  sigset_t pipeSet_{};
  sigset_t old_{};
};

void Append(std::string& to, const char* data, std::size_t n) {
  if (to.size() < kOutputCap) to.append(data, std::min(n, kOutputCap - to.size()));
}

}  // namespace

ToolResult ProcessToolRunner::Run(const std::vector<std::string>& argv, const std::string& input, int timeoutMs) {
  ToolResult result;
  if (argv.empty()) return result;
  SigpipeGuard sigpipe;
  Fd inRead, inWrite, outRead, outWrite, errRead, errWrite;
  if (!MakePipe(inRead, inWrite) || !MakePipe(outRead, outWrite) || !MakePipe(errRead, errWrite)) return result;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inRead.get(), 0);
  posix_spawn_file_actions_adddup2(&actions, outWrite.get(), 1);
  posix_spawn_file_actions_adddup2(&actions, errWrite.get(), 2);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int spawnError = ::posix_spawn(&pid, argv[0].c_str(), &actions, &attr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  inRead.Close();
  outWrite.Close();
  errWrite.Close();
  if (spawnError != 0) return result;
  result.Started = true;

  SetNonBlocking(inWrite.get());
  SetNonBlocking(outRead.get());
  SetNonBlocking(errRead.get());
  std::size_t written = 0;
  if (input.empty()) inWrite.Close();

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  char buf[8192];
  while (outRead.get() >= 0 || errRead.get() >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.TimedOut = true;
      break;
    }
    pollfd fds[3];
    int n = 0;
    int outIndex = -1, errIndex = -1, inIndex = -1;
    if (outRead.get() >= 0) fds[outIndex = n++] = {outRead.get(), POLLIN, 0};
    if (errRead.get() >= 0) fds[errIndex = n++] = {errRead.get(), POLLIN, 0};
    if (inWrite.get() >= 0) fds[inIndex = n++] = {inWrite.get(), POLLOUT, 0};
    const int ready = ::poll(fds, static_cast<nfds_t>(n), static_cast<int>(left.count()));
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (inIndex >= 0 && fds[inIndex].revents != 0) {
      const ssize_t w = ::write(inWrite.get(), input.data() + written, input.size() - written);
      if (w > 0) written += static_cast<std::size_t>(w);
      if (w < 0 && errno != EAGAIN && errno != EINTR) written = input.size();  // reader gone
      if (written >= input.size()) inWrite.Close();
    }
    struct Stream {
      int index;
      Fd* fd;
      std::string* to;
    } streams[] = {{outIndex, &outRead, &result.Out}, {errIndex, &errRead, &result.Err}};
    for (Stream& s : streams) {
      if (s.index < 0 || fds[s.index].revents == 0) continue;
      const ssize_t r = ::read(s.fd->get(), buf, sizeof buf);
      if (r > 0) {
        Append(*s.to, buf, static_cast<std::size_t>(r));
      } else if (r == 0 || (errno != EAGAIN && errno != EINTR)) {
        s.fd->Close();
      }
    }
  }
  inWrite.Close();

  int status = 0;
  if (result.TimedOut) {
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return result;
  }
  // Both outputs are closed: the tool has ended or is about to. Wait for it
  // until the same deadline.
  for (;;) {
    const pid_t w = ::waitpid(pid, &status, WNOHANG);
    if (w == pid) break;
    if (w < 0 && errno != EINTR) return result;
    if (std::chrono::steady_clock::now() >= deadline) {
      result.TimedOut = true;
      ::kill(-pid, SIGKILL);
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      return result;
    }
    const timespec pause{0, 2 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
  }
  if (WIFEXITED(status)) result.ExitCode = WEXITSTATUS(status);
  return result;
}

std::string FindOnPath(const std::string& name, const std::string& searchPath) {
  auto executable = [](const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
  };
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return executable(name) ? name : std::string();
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = searchPath.find(':', start);
    const std::string_view dir =
        std::string_view(searchPath).substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::string candidate(dir.empty() ? std::string_view(".") : dir);
    candidate += '/';
    candidate += name;
    if (executable(candidate)) return candidate;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return {};
}

}  // namespace sentrova
