// The single-instance lock "Sentrova": one holder per user at a time. The
// holder keeps it until it releases it or ends.
#pragma once

#include <string>

namespace sentrova {

class InstanceLock {
 public:
  enum class Result { Acquired, HeldElsewhere, Failed };

  // The lock file for a lock name: $XDG_RUNTIME_DIR/NAME.lock, else
  // /tmp/NAME-<uid>.lock.
  static std::string DefaultPath(const std::string& name);

  explicit InstanceLock(std::string path) : path_(std::move(path)) {}
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Tries to take the lock without waiting.
  Result TryAcquire();
  bool Held() const { return fd_ >= 0; }
  void Release();

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace sentrova
