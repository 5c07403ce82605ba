#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "app/instance_lock.h"

namespace sentrova {

std::string InstanceLock::DefaultPath(const std::string& name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime == '/' && ::access(runtime, W_OK | X_OK) == 0) {
    return std::string(runtime) + "/" + name + ".lock";
  }
  return "/tmp/" + name + "-" + std::to_string(::getuid()) + ".lock";
}

InstanceLock::~InstanceLock() { Release(); }

InstanceLock::Result InstanceLock::TryAcquire() {
  if (fd_ >= 0) return Result::Acquired;
  const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return Result::Failed;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    return err == EWOULDBLOCK ? Result::HeldElsewhere : Result::Failed;
  }
  fd_ = fd;
  return Result::Acquired;
}

void InstanceLock::Release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace sentrova
