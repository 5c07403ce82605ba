// A disk that fills up mid-write, for tests: runs a call with the process's
// file size limited (writes beyond it fail with EFBIG instead of raising
// SIGXFSZ). Unlike file permissions, this stops root too.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace sentrova::test {

template <typename Fn>
auto WithFileSizeLimit(rlim_t bytes, Fn fn) {
  struct Restore {
    struct rlimit old {};
    void (*oldHandler)(int) = SIG_DFL;
    Restore(rlim_t limit) {
      getrlimit(RLIMIT_FSIZE, &old);
      struct rlimit small = old;
      small.rlim_cur = limit;
      oldHandler = std::signal(SIGXFSZ, SIG_IGN);
      setrlimit(RLIMIT_FSIZE, &small);
    }
    ~Restore() {
      setrlimit(RLIMIT_FSIZE, &old);
      std::signal(SIGXFSZ, oldHandler);
    }
  } restore(bytes);
  return fn();
}

}  // namespace sentrova::test
