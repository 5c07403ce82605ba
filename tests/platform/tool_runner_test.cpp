#include "platform/tool_runner.h"

#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "settings/text.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

// Gone, or only a zombie waiting for its new parent.
bool ProcessEnded(int pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const std::size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

TEST(ProcessToolRunner, FeedsStdinAndCollectsBothOutputsAndTheExitCode) {
  ProcessToolRunner runner;
  const std::string big(1 << 20, 'x');  // larger than a pipe buffer both ways
  ToolResult r = runner.Run({"/bin/cat"}, big, 20000);
  EXPECT_TRUE(r.Started);
  EXPECT_FALSE(r.TimedOut);
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_EQ(r.Out, big);
  r = runner.Run({"/bin/sh", "-c", "echo out; echo err >&2; exit 3"}, "", 20000);
  EXPECT_EQ(r.Out, "out\n");
  EXPECT_EQ(r.Err, "err\n");
  EXPECT_EQ(r.ExitCode, 3);
  // Arguments reach the tool as they are, with no shell between.
  r = runner.Run({"/bin/echo", "$HOME", "a b", "*"}, "", 20000);
  EXPECT_EQ(r.Out, "$HOME a b *\n");
}

TEST(ProcessToolRunner, ToolThatCannotStart) {
  ProcessToolRunner runner;
  const ToolResult r = runner.Run({"/nonexistent/tool"}, "", 1000);
  EXPECT_FALSE(r.Started);
  EXPECT_EQ(r.ExitCode, -1);
  EXPECT_FALSE(runner.Run({}, "", 1000).Started);
}

TEST(ProcessToolRunner, HungToolAndItsChildrenAreKilledAtTheDeadline) {
  ProcessToolRunner runner;
  // The shell starts a child that would outlive it, tells its pid and hangs.
  const ToolResult r = runner.Run({"/bin/sh", "-c", "sleep 60 & echo $!; exec sleep 60"}, "", 300);
  EXPECT_TRUE(r.Started);
  EXPECT_TRUE(r.TimedOut);
  EXPECT_EQ(r.ExitCode, -1);
  int child = 0;
  ASSERT_TRUE(ParseInt(TrimRightChar(r.Out, '\n'), child)) << r.Out;
  bool ended = false;
  for (int i = 0; i < 200 && !ended; ++i) {
    ended = ProcessEnded(child);
    if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(ended) << child;
}

TEST(ProcessToolRunner, ToolThatIgnoresItsInput) {
  ProcessToolRunner runner;
  // The reader goes away at once: writing must neither block nor kill us.
  const ToolResult r = runner.Run({"/bin/true"}, std::string(1 << 20, 'y'), 20000);
  EXPECT_TRUE(r.Started);
  EXPECT_FALSE(r.TimedOut);
  EXPECT_EQ(r.ExitCode, 0);
}

TEST(FindOnPath, FirstExecutableOfTheName) {
  test::TempDir a, b;
  test::WriteBytes(a.File("tool"), "#!/bin/sh\n");  // not executable
  test::WriteBytes(b.File("tool"), "#!/bin/sh\n");
  ::chmod(b.File("tool").c_str(), 0755);
  const std::string path = a.path() + ":" + b.path();
  EXPECT_EQ(FindOnPath("tool", path), b.path() + "/tool");
  EXPECT_EQ(FindOnPath("missing", path), "");
  EXPECT_EQ(FindOnPath(b.File("tool"), ""), b.File("tool"));
  EXPECT_EQ(FindOnPath(a.File("tool"), ""), "");
  EXPECT_EQ(FindOnPath("", path), "");
}

}  // namespace
}  // namespace sentrova
