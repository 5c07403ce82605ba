// The SMB browse source against a real nmbd + smbd pair: the server and its
// master browser in one network namespace, the client in a second one
// (root; skipped otherwise, or without Samba). Nothing leaves the two
// namespaces.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "discovery/net_resource.h"
#include "netns/netns_lab.h"
#include "netns/samba_server.h"
#include "platform/smb_browse_linux.h"
#include "platform/tool_runner.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kWorkgroup = "SVTESTWG";
constexpr const char* kServerName = "SVBROWSESRV";
constexpr const char* kServerComment = "Sentrova browse test";
constexpr const char* kShareComment = "Public";
constexpr const char* kServerAddress = "10.97.0.1";
constexpr const char* kClientAddress = "10.97.0.2";
// nmbd wins its election about 25 s after it starts.
constexpr auto kMasterBrowserBound = 90s;
constexpr auto kClientBound = 105s;

NetResource Container(const std::string& remote, bool provider) {
  NetResource r;
  r.Scope = kScopeGlobalNet;
  r.DisplayType = kDisplayNetwork;
  r.Usage = provider ? kUsageReservedContainer : kUsageContainer;
  r.RemoteName = remote;
  if (provider) {
    r.Provider = kSmbProviderName;
    r.HasProvider = true;
  }
  return r;
}

NetResource SharesOf(const std::string& computer) {
  NetResource r;
  r.Scope = kScopeConnected;
  r.DisplayType = kDisplayShare;
  r.Usage = kUsageConnectable;
  r.RemoteName = "\\\\" + computer;
  return r;
}

// Opens a container and reads it whole; the open's code.
int ListAll(BrowseSource& source, const NetResource& container, std::vector<NetResource>& entries) {
  entries.clear();
  std::unique_ptr<BrowseEnumeration> e;
  const int rc = source.Open(kScopeGlobalNet, kTypeAny, 0, container, e);
  if (rc != kBrowseOk) return rc;
  std::vector<NetResource> batch;
  while (e->Next(kBrowseBufferBytes, batch) == kBrowseOk) {
  }
  entries = batch;
  e->Close();
  return rc;
}

const NetResource* Find(const std::vector<NetResource>& entries, const std::string& remote) {
  for (const NetResource& r : entries) {
    if (r.RemoteName == remote) return &r;
  }
  return nullptr;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// What the client sees, run in the client's namespace. Every expectation
// is reported by this (child) process; the parent only learns whether one
// failed.
void BrowseFromClient(const std::string& clientConfig, const std::string& serverConfig,
                      Clock::time_point serversStarted) {
  SmbBrowseSource::Options options;
  options.ConfigFile = clientConfig;
  options.TimeoutMs = 5000;
  SmbBrowseSource source(options);
  std::vector<NetResource> entries;

  // The provider's top level lists the workgroup once nmbd is its master
  // browser.
  int rc = -1;
  int firstRc = -1;
  auto took = Clock::duration{};
  while (Clock::now() - serversStarted < kMasterBrowserBound) {
    const auto started = Clock::now();
    rc = ListAll(source, Container("", true), entries);
    took = Clock::now() - started;
    if (firstRc < 0) firstRc = rc;
    if (rc == kBrowseOk && Find(entries, kWorkgroup)) break;
    std::this_thread::sleep_for(1s);
  }
  const NetResource* wg = Find(entries, kWorkgroup);
  ASSERT_TRUE(wg) << "the top level did not list " << kWorkgroup << " within "
                  << Seconds(kMasterBrowserBound) << " s (last open: " << rc << ")";
  std::printf("[ client   ] %s listed %.1f s after the servers started (top level in %.1f s; first open gave %d)\n",
              kWorkgroup, Seconds(Clock::now() - serversStarted), Seconds(took), firstRc);
  EXPECT_EQ(wg->DisplayType, kDisplayDomain);
  // Before nmbd had won its election there was no browse list at all.
  EXPECT_EQ(firstRc, kBrowseBadNetName);
  EXPECT_EQ(wg->Provider, kSmbProviderName);
  ServerStat stat;
  stat.KindCode = kKindProvider;
  EXPECT_EQ(FindNetResource(source, "", kSmbProviderName, kWorkgroup, stat), kFound);
  EXPECT_EQ(stat.KindCode, kKindDomain);
  EXPECT_EQ(stat.Container, "");
  EXPECT_EQ(stat.Provider, kSmbProviderName);

  // The workgroup lists the server, with its comment.
  while (Clock::now() - serversStarted < kMasterBrowserBound) {
    const auto started = Clock::now();
    rc = ListAll(source, Container(kWorkgroup, false), entries);
    took = Clock::now() - started;
    if (rc == kBrowseOk && Find(entries, std::string("\\\\") + kServerName)) break;
    std::this_thread::sleep_for(1s);
  }
  const NetResource* server = Find(entries, std::string("\\\\") + kServerName);
  ASSERT_TRUE(server) << kWorkgroup << " did not list " << kServerName << " (last open: " << rc << ")";
  std::printf("[ client   ] %s listed %s in %.1f s\n", kWorkgroup, kServerName, Seconds(took));
  EXPECT_EQ(server->DisplayType, kDisplayServer);
  EXPECT_EQ(server->Comment, kServerComment);
  stat = ServerStat{};
  EXPECT_EQ(FindNetResource(source, kWorkgroup, "", kServerName, stat), kFound);
  EXPECT_EQ(stat.KindCode, kKindOther);
  EXPECT_EQ(stat.Container, kWorkgroup);
  EXPECT_EQ(stat.Comment, kServerComment);
  EXPECT_EQ(CheckByBrowse(source, kWorkgroup, kSmbProviderName, kServerName, false), kFound);

  // The strict check: the server's shares open with 0, and list [pub].
  std::unique_ptr<BrowseEnumeration> e;
  auto started = Clock::now();
  EXPECT_EQ(source.Open(kScopeGlobalNet, kTypeAny, 0, SharesOf(kServerName), e), kBrowseOk);
  std::printf("[ client   ] shares of %s opened in %.1f s\n", kServerName, Seconds(Clock::now() - started));
  EXPECT_EQ(ListAll(source, SharesOf(kServerName), entries), kBrowseOk);
  const NetResource* pub = Find(entries, std::string("\\\\") + kServerName + "\\pub");
  ASSERT_TRUE(pub);
  EXPECT_EQ(pub->DisplayType, kDisplayShare);
  EXPECT_EQ(pub->Type, kTypeDisk);
  EXPECT_EQ(pub->Comment, kShareComment);
  EXPECT_FALSE(Find(entries, std::string("\\\\") + kServerName + "\\IPC$"));
  EXPECT_EQ(CheckByBrowse(source, kWorkgroup, kSmbProviderName, kServerName, true), kFound);
  // Two threads at once (the check thread and the list editor) take turns.
  int answers[2] = {0, 0};
  std::thread other([&] { answers[1] = CheckByBrowse(source, kWorkgroup, kSmbProviderName, kServerName, true); });
  answers[0] = CheckByBrowse(source, kWorkgroup, kSmbProviderName, kServerName, true);
  other.join();
  EXPECT_EQ(answers[0], kFound);
  EXPECT_EQ(answers[1], kFound);
  // The source keeps its connections: the one of the browse lists speaks
  // SMB1, the one of the share lists a newer dialect.
  ProcessToolRunner runner;
  const ToolResult smbstatus = runner.Run({test::FindTool("smbstatus"), "-s", serverConfig, "-b"}, "", 10000);
  const std::string& sessions = smbstatus.Out;
  EXPECT_EQ(smbstatus.ExitCode, 0) << smbstatus.Err;
  EXPECT_NE(sessions.find(" NT1 "), std::string::npos) << sessions;
  EXPECT_TRUE(sessions.find(" SMB3_") != std::string::npos || sessions.find(" SMB2_") != std::string::npos)
      << sessions;

  // A workgroup that does not exist is not found, at either level.
  started = Clock::now();
  EXPECT_EQ(source.Open(kScopeGlobalNet, kTypeAny, 0, Container("SVNOSUCHWG", false), e), kBrowseBadNetName);
  std::printf("[ client   ] unknown workgroup answered in %.1f s\n", Seconds(Clock::now() - started));
  EXPECT_EQ(CheckByBrowse(source, "SVNOSUCHWG", kSmbProviderName, kServerName, false), kNotFound);
  stat = ServerStat{};
  stat.KindCode = kKindProvider;
  EXPECT_EQ(FindNetResource(source, "", kSmbProviderName, "SVNOSUCHWG", stat), kNotFound);

  // Nor is a computer that does not exist: not a member, and its shares
  // cannot be reached.
  EXPECT_EQ(CheckByBrowse(source, kWorkgroup, kSmbProviderName, "SVNOSUCHPC", false), kNotFound);
  started = Clock::now();
  EXPECT_EQ(source.Open(kScopeGlobalNet, kTypeAny, 0, SharesOf("SVNOSUCHPC"), e), kBrowseBadNetPath);
  std::printf("[ client   ] unknown computer answered in %.1f s\n", Seconds(Clock::now() - started));
}

class SmbBrowseNetns : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string why = test::NetnsUnavailable(); !why.empty()) GTEST_SKIP() << why;
    for (const char* tool : {"smbd", "nmbd", "smbstatus", "ip"}) {
      if (test::FindTool(tool).empty()) GTEST_SKIP() << tool << " is not installed";
    }
    lab_ = std::make_unique<test::NetnsLab>();
    srv_ = lab_->Add("brsrv");
    cli_ = lab_->Add("brcli");
    lab_->Link(srv_, std::string(kServerAddress) + "/24", cli_, std::string(kClientAddress) + "/24");
  }
  void TearDown() override {
    if (client_ > 0) {
      ::kill(client_, SIGKILL);
      ::waitpid(client_, nullptr, 0);
    }
    if (!cli_.empty()) test::KillNamespaceProcesses(cli_);
    server_.reset();
    lab_.reset();
  }

  std::unique_ptr<test::NetnsLab> lab_;
  std::unique_ptr<test::SambaServer> server_;
  std::string srv_, cli_;
  pid_t client_ = -1;
};

TEST_F(SmbBrowseNetns, BrowsesWorkgroupComputerAndShares) {
  const auto begin = Clock::now();
  // The client's own Samba state: nothing of the machine's is touched.
  test::TempDir clientDir;
  const std::string clientConfig = test::WriteClientConfig(clientDir, kWorkgroup, /*clientDefaults=*/true);

  // nmbd is the workgroup's local and domain master browser.
  test::SambaServer::Options options{srv_, kServerAddress, kServerName, kWorkgroup, /*Nmbd=*/true};
  options.ServerString = kServerComment;
  options.ShareComment = kShareComment;
  options.DomainMaster = true;
  server_ = std::make_unique<test::SambaServer>(options);
  std::string why;
  ASSERT_TRUE(server_->Start(why)) << why;
  const auto serversStarted = Clock::now();

  // The client is a child process that moves into the client's namespace:
  // libsmbclient reads the network interfaces once per process.
  std::fflush(stdout);
  client_ = ::fork();
  ASSERT_GE(client_, 0);
  if (client_ == 0) {
    const int fd = ::open(("/run/netns/" + cli_).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
      std::printf("cannot enter %s\n", cli_.c_str());
      std::fflush(stdout);
      ::_exit(2);
    }
    ::close(fd);
    BrowseFromClient(clientConfig, server_->ConfigFile(), serversStarted);
    std::fflush(stdout);
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  bool ended = false;
  while (Clock::now() - serversStarted < kClientBound) {
    const pid_t w = ::waitpid(client_, &status, WNOHANG);
    if (w == client_) {
      ended = true;
      break;
    }
    std::this_thread::sleep_for(100ms);
  }
  if (ended) client_ = -1;
  EXPECT_TRUE(ended) << "the client did not end within " << Seconds(kClientBound) << " s";
  EXPECT_TRUE(ended && WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the client failed (see above)\n" << server_->Log();
  EXPECT_FALSE(server_->DaemonEnded()) << server_->Log();
  std::printf("[ browse   ] took %.1f s\n", Seconds(Clock::now() - begin));
}

}  // namespace
}  // namespace sentrova
