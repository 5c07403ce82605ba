#include "settings/action.h"
#include "support/eventually.h"
#include "support/fake_actions.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/spawn_process_starter.h"
#include "settings/process_starter.h"
#include "settings/sound.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

// This test program doubles as the program the real-process tests start:
// started with kDumpFlag + FILE as its first argument, it writes its argv
// (each argument ended by a NUL byte) to FILE and the numbers of its open
// file descriptors to FILE.fds, then ends before any test runs.
constexpr char kDumpFlag[] = "--sentrova-dump-argv=";

std::string ReadAll(int fd) {
  std::string out;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  return out;
}

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
  const std::string tmp = path + ".part";
  const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) _exit(3);
  if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) _exit(3);
  close(fd);
  if (rename(tmp.c_str(), path.c_str()) != 0) _exit(3);
}

[[maybe_unused]] const bool kDumpedArgv = [] {
  const int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const std::string cmdline = ReadAll(fd);
  close(fd);
  const std::size_t first = cmdline.find('\0');
  if (first == std::string::npos || cmdline.compare(first + 1, std::strlen(kDumpFlag), kDumpFlag) != 0) return false;
  const std::size_t flagEnd = cmdline.find('\0', first + 1);
  const std::string file = cmdline.substr(first + 1 + std::strlen(kDumpFlag), flagEnd - first - 1 - std::strlen(kDumpFlag));
  std::string fds;
  if (DIR* dir = opendir("/proc/self/fd")) {
    const int own = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
      if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own) continue;
      fds += entry->d_name;
      fds += ' ';
    }
    closedir(dir);
  }
  WriteFileAtomically(file + ".fds", fds);
  WriteFileAtomically(file, cmdline);
  _exit(0);
}();

std::string SelfExe() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

std::vector<std::string> SplitNul(const std::string& bytes) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find('\0', start);
    out.push_back(bytes.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

using test::Eventually;

using test::FakeSound;
using test::FakeStarter;

TEST(RunAction, WaveFilesPlayAndEverythingElseStarts) {
  using Argv = std::vector<std::string>;
  struct Case {
    const char* text;
    const char* wave;  // nullptr: not played
    Argv argv;         // empty: nothing started
  } cases[] = {
      {R"("C:\My Sounds\in.wav")", R"(C:\My Sounds\in.wav)", {}},
      {R"(C:\My Sounds\in.wav)", nullptr, {"C:\\My", "Sounds\\in.wav"}},
      {R"(C:\sounds\in.wav)", R"(C:\sounds\in.wav)", {}},
      {"  /home/u/Ding.WaV extra args", "/home/u/Ding.WaV", {}},
      {"ding.wav,other", "ding.wav", {}},
      {R"("a""b.wav")", "a\"b.wav", {}},
      {"C:x.wav", "C:x.wav", {}},
      {"sounds.wav/player x", nullptr, {"sounds.wav/player", "x"}},
      {R"(sounds.wav\player)", nullptr, {"sounds.wav\\player"}},
      {"in.wav:1", nullptr, {"in.wav:1"}},
      {"notepad.exe PC01", nullptr, {"notepad.exe", "PC01"}},
      {R"("my prog" "a b"  c""d "x""y" "")", nullptr, {"my prog", "a b", "cd", "x\"y", ""}},
      {R"("my prog"tail)", nullptr, {"my prog", "tail"}},
      {"prog , a", nullptr, {"prog", "a"}},
      {R"(prog "unclosed arg)", nullptr, {"prog", "unclosed arg"}},
      {R"("unclosed prog)", nullptr, {"unclosed prog"}},
      {"notify-send x;y a|b $(id) `id` a\nb", nullptr, {"notify-send", "x;y", "a|b", "$(id)", "`id`", "a\nb"}},
      {"", nullptr, {}},
      {"   ", nullptr, {}},
      {R"("" arg)", nullptr, {}},
  };
  for (const auto& c : cases) {
    for (const bool wait : {false, true}) {
      FakeStarter starter;
      starter.result = false;  // a failure to start changes nothing
      FakeSound sound;
      EXPECT_TRUE(RunAction(c.text, wait, starter, sound)) << c.text;
      if (c.wave) {
        ASSERT_EQ(sound.played.size(), 1u) << c.text;
        EXPECT_EQ(sound.played[0].first, c.wave) << c.text;
        EXPECT_EQ(sound.played[0].second, wait) << c.text;
        EXPECT_TRUE(starter.started.empty()) << c.text;
      } else {
        EXPECT_TRUE(sound.played.empty()) << c.text;
        if (c.argv.empty()) {
          EXPECT_TRUE(starter.started.empty()) << c.text;
        } else {
          ASSERT_EQ(starter.started.size(), 1u) << c.text;
          EXPECT_EQ(starter.started[0], c.argv) << c.text;
        }
      }
    }
  }
}

TEST(RunAction, ExtensionIsTakenAfterTheLastSeparator) {
  struct Case {
    const char* item;
    const char* ext;
  } cases[] = {
      {"a.wav", ".wav"}, {R"(C:\x.y\file)", ""}, {"dir.d/file", ""}, {"C:file.WAV", ".WAV"},
      {"noext", ""},     {"trail.", "."},        {"a.b.c", ".c"},     {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ActionItemExtension(c.item), c.ext) << c.item;
}

class RealStart : public ::testing::Test {
 protected:
  // Runs text through RunAction with a real starter, where text starts with
  // this test program; returns the argv the program was given, after the
  // program has ended and has been reaped.
  std::vector<std::string> RunSelf(const std::string& args) {
    const std::string dump = dir_.File("argv");
    const std::string text = "\"" + SelfExe() + "\" " + kDumpFlag + dump + " " + args;
    FakeSound sound;
    EXPECT_TRUE(RunAction(text, false, starter_, sound));
    EXPECT_TRUE(Eventually([&] { return Exists(dump); })) << "the program did not run";
    EXPECT_TRUE(Eventually([&] { return starter_.Unreaped() == 0; })) << "the program was not reaped";
    fds_ = test::ReadBytes(dump + ".fds");
    return SplitNul(test::ReadBytes(dump));
  }

  test::TempDir dir_;
  SpawnProcessStarter starter_;
  std::string fds_;
};

TEST_F(RealStart, ProgramGetsExactlyTheParsedArguments) {
  // A descriptor of ours that is not close-on-exec must not reach the child.
  const int leaky = open("/dev/null", O_RDONLY);
  ASSERT_GE(leaky, 0);
  const std::vector<std::string> argv = RunSelf(R"("a b" c""d "x""y" "" 表 'q' %%)");
  close(leaky);
  const std::vector<std::string> want = {SelfExe(), kDumpFlag + dir_.File("argv"), "a b", "cd", "x\"y", "", "表",
                                         "'q'",     "%%"};
  EXPECT_EQ(argv, want);
  EXPECT_EQ(fds_, "0 1 2 ");
}

TEST_F(RealStart, ShellCharactersStartNoSecondCommand) {
  const std::string mark = dir_.File("MARK");
  const std::string args = "x; touch " + mark + "1 | touch " + mark + "2 $(touch " + mark + "3) `touch " + mark +
                           "4` && touch " + mark + "5\ntouch " + mark + "6";
  const std::vector<std::string> want = {
      SelfExe(), kDumpFlag + dir_.File("argv"), "x;", "touch", mark + "1", "|", "touch", mark + "2", "$(touch",
      mark + "3)", "`touch", mark + "4`", "&&", "touch", mark + "5\ntouch", mark + "6"};
  EXPECT_EQ(RunSelf(args), want);
  for (const char* n : {"1", "2", "3", "4", "5", "6"}) EXPECT_FALSE(Exists(mark + n)) << mark + n;
}

TEST(SpawnProcessStarter, ReapsEveryChildAndReportsFailures) {
  SpawnProcessStarter starter;
  EXPECT_FALSE(starter.Start({"/nonexistent/sentrova-no-such-program"}));
  EXPECT_FALSE(starter.Start({"sentrova-no-such-program-in-path"}));
  EXPECT_FALSE(starter.Start({}));
  EXPECT_EQ(starter.Unreaped(), 0u);

  test::TempDir dir;
  const std::string dump = dir.File("argv");
  const pid_t pid = starter.Spawn({SelfExe(), kDumpFlag + dump});
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(Eventually([&] { return starter.Unreaped() == 0; }));
  EXPECT_TRUE(Exists(dump));
  // Reaped by the starter: nothing is left to wait for, and no zombie.
  errno = 0;
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

}  // namespace
}  // namespace sentrova
