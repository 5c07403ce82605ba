// Starting programs with posix_spawnp, and reaping them.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "settings/process_starter.h"

namespace sentrova {

// Each program is started with posix_spawnp, never through a shell, in a
// process group of its own (a Ctrl+C meant for us does not reach it), with
// standard input from /dev/null, default signal handling, an empty signal
// mask and no file descriptor of ours but standard output and error.
//
// Nobody waits for a started program, yet none may stay a zombie: one reaper
// thread, owned by this object, polls a pidfd per child (falling back to a
// waitpid(WNOHANG) look every 200 ms when the kernel gives no pidfd) and
// reaps each child as it ends. The destructor wakes the reaper through an
// eventfd and joins it; children still running then are left alone, and
// once this process ends they are reaped by init like any orphan.
// Start may be called from any thread.
class SpawnProcessStarter : public ProcessStarter {
 public:
  SpawnProcessStarter();
  ~SpawnProcessStarter() override;
  SpawnProcessStarter(const SpawnProcessStarter&) = delete;
  SpawnProcessStarter& operator=(const SpawnProcessStarter&) = delete;

  bool Start(const std::vector<std::string>& argv) override;

  // Start, giving the child's process id, or -1 when it could not start.
  pid_t Spawn(const std::vector<std::string>& argv);

  // Children started and not reaped yet.
  std::size_t Unreaped() const;

 private:
  struct Child {
    pid_t pid;
    int pidfd;  // -1 when the kernel gave none
  };
  void Reap();

  mutable std::mutex mutex_;
  std::vector<Child> children_;
  bool quit_ = false;
  int wakeFd_ = -1;
  std::thread reaper_;
};

}  // namespace sentrova
