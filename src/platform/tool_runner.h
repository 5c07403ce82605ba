// Running a command-line tool with a time limit, without a shell.
#pragma once

#include <string>
#include <vector>

namespace sentrova {

struct ToolResult {
  bool Started = false;   // the program could be started
  bool TimedOut = false;  // killed at the deadline
  int ExitCode = -1;      // its exit status; -1 when killed by a signal or not started
  std::string Out;        // standard output
  std::string Err;        // standard error
};

class ToolRunner {
 public:
  virtual ~ToolRunner() = default;
  // Runs argv[0] (a path) with argv, feeds input to its standard input and
  // closes it, and collects its output until it ends. At timeoutMs the tool
  // and everything it started in its process group are killed.
  virtual ToolResult Run(const std::vector<std::string>& argv, const std::string& input, int timeoutMs) = 0;
};

// Spawns real processes (posix_spawn, own process group, output read with a
// deadline).
class ProcessToolRunner : public ToolRunner {
 public:
  ToolResult Run(const std::vector<std::string>& argv, const std::string& input, int timeoutMs) override;
};

// The executable a name stands for: a name with a "/" as it is, otherwise the
// first executable file of that name in the ":"-separated directories of
// searchPath. Empty when there is none.
std::string FindOnPath(const std::string& name, const std::string& searchPath);

}  // namespace sentrova
