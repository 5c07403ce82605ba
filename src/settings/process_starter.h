// Starting a program as a new process, as seen by the code that runs actions.
#pragma once

#include <string>
#include <vector>

namespace sentrova {

class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;

  // Starts argv[0] (looked up in PATH when it has no "/") with the arguments
  // argv[1..], directly and never through a shell, and returns at once
  // without waiting for it. False when the program could not be started.
  virtual bool Start(const std::vector<std::string>& argv) = 0;
};

}  // namespace sentrova
