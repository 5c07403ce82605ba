#include "app/startup.h"

#include <gtest/gtest.h>

#include <set>

#include "app/instance_lock.h"
#include "app/system_info.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

TEST(Startup, DupSwitch) {
  struct Case {
    const char* arg;
    bool dup;
  } cases[] = {{"-Dup", true}, {"/dup", true}, {"-DUP", true}, {"/dUp", true}, {"Dup", false},
               {"--dup", false}, {"-Dupe", false}, {"-du", false}, {"", false}};
  for (const auto& c : cases) EXPECT_EQ(IsDupSwitch(c.arg), c.dup) << c.arg;
  EXPECT_TRUE(ParseCommandLine({"37", "/dup"}).Dup);
  EXPECT_FALSE(ParseCommandLine({"37"}).Dup);
}

TEST(Startup, Options) {
  const StartupOptions o = ParseCommandLine({"--console", "--data-dir", "/tmp/x", "--once", "12"});
  EXPECT_TRUE(o.Console);
  EXPECT_TRUE(o.Once);
  EXPECT_EQ(o.DataDir, "/tmp/x");
  EXPECT_TRUE(o.Error.empty());
  EXPECT_EQ(o.Args.size(), 5u);
  EXPECT_EQ(o.ProgramArgs, (std::vector<std::string>{"12"}));
  EXPECT_EQ(ParseCommandLine({"/dup", "--console", "37"}).ProgramArgs, (std::vector<std::string>{"/dup", "37"}));
  EXPECT_EQ(ParseCommandLine({"--data-dir=/d"}).DataDir, "/d");
  EXPECT_FALSE(ParseCommandLine({"--data-dir"}).Error.empty());
  EXPECT_FALSE(ParseCommandLine({"--data-dir="}).Error.empty());
  EXPECT_FALSE(ParseCommandLine({"--bogus"}).Error.empty());
  EXPECT_TRUE(ParseCommandLine({"--help"}).Help);
  EXPECT_TRUE(ParseCommandLine({"--version"}).Version);
}

TEST(Startup, Decision) {
  using R = InstanceLock::Result;
  const StartDecision refused = DecideStart(R::HeldElsewhere, false);
  EXPECT_FALSE(refused.Run);
  EXPECT_EQ(refused.ExitCode, 1);
  EXPECT_EQ(refused.Warning, "Sentrovaは既に起動しています。");
  EXPECT_TRUE(DecideStart(R::HeldElsewhere, true).Run);
  EXPECT_TRUE(DecideStart(R::Acquired, false).Run);
  const StartDecision failed = DecideStart(R::Failed, true);
  EXPECT_FALSE(failed.Run);
  EXPECT_EQ(failed.ExitCode, 1);
  EXPECT_TRUE(failed.Warning.empty());
}

TEST(InstanceLock, OneHolderAtATime) {
  test::TempDir dir;
  const std::string path = dir.File("Sentrova.lock");
  InstanceLock first(path), second(path);
  EXPECT_EQ(first.TryAcquire(), InstanceLock::Result::Acquired);
  EXPECT_EQ(second.TryAcquire(), InstanceLock::Result::HeldElsewhere);
  first.Release();
  EXPECT_EQ(second.TryAcquire(), InstanceLock::Result::Acquired);
  InstanceLock nowhere(dir.File("no/such/dir/x.lock"));
  EXPECT_EQ(nowhere.TryAcquire(), InstanceLock::Result::Failed);
}

TEST(SystemInfo, NetBiosName) {
  EXPECT_EQ(NetBiosName("pc01.example.lan"), "PC01");
  EXPECT_EQ(NetBiosName("a-very-long-host-name-indeed"), "A-VERY-LONG-HOS");
  EXPECT_EQ(NetBiosName(""), "");
}

TEST(SystemInfo, LocalOSName) {
  AppFacts f;
  EXPECT_EQ(LocalOSNameFrom("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n", "Linux",
                            "6.1.0-18-amd64", f),
            "Debian GNU/Linux 12 (bookworm) Linux 6.1.0-18-amd64");
  EXPECT_EQ(f.PlatformCode, 2);
  EXPECT_EQ(f.OSMajorVersion, 6);
  EXPECT_FALSE(f.IsNT3x);
  EXPECT_EQ(LocalOSNameFrom("", "", "", f), "OS Unknown");
  EXPECT_EQ(LocalOSNameFrom("NAME=Arch\n", "Linux", "5.4", f), "Arch Linux 5.4");
}

TEST(SystemInfo, DataDirChoice) {
  std::set<std::string> files;
  DataDirInputs in;
  in.ExeDir = "/opt/sentrova";
  in.XdgConfigHome = "/home/u/.cfg";
  in.Home = "/home/u";
  in.FileExists = [&](const std::string& p) { return files.count(p) > 0; };
  EXPECT_EQ(ChooseDataDir(in), "/home/u/.cfg/sentrova/");
  in.XdgConfigHome = "relative";  // not absolute: ignored
  EXPECT_EQ(ChooseDataDir(in), "/home/u/.config/sentrova/");
  files.insert("/opt/sentrova/Sentrova.NT");
  EXPECT_EQ(ChooseDataDir(in), "/opt/sentrova/");
  in.SentrovaHome = "/srv/s";
  EXPECT_EQ(ChooseDataDir(in), "/srv/s/");
  in.DataDirArg = "/data/";
  EXPECT_EQ(ChooseDataDir(in), "/data/");
}

TEST(SystemInfo, ResolveDataDirCreatesAndChecks) {
  test::TempDir dir;
  std::string out, error;
  EXPECT_TRUE(ResolveDataDir(dir.File("new/sub"), out, error));
  EXPECT_EQ(out, dir.File("new/sub/"));
  test::WriteBytes(dir.File("file"), "x");
  EXPECT_FALSE(ResolveDataDir(dir.File("file"), out, error));
  EXPECT_NE(error.find(dir.File("file")), std::string::npos);
}

}  // namespace
}  // namespace sentrova
