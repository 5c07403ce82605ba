// The SMB browse source against a real nmbd + smbd pair: the server and its
// master browser in one network namespace, the client in a second one
// (root; skipped otherwise, or without Samba). Nothing leaves the two
// namespaces.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>

#include "discovery/net_resource.h"
#include "netns/netns_lab.h"
#include "platform/smb_browse_linux.h"
#include "support/temp_dir.h"

extern char** environ;

namespace sentrova {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kWorkgroup = "SVTESTWG";
constexpr const char* kServerName = "SVBROWSESRV";
constexpr const char* kServerComment = "Sentrova browse test";
constexpr const char* kServerAddress = "10.97.0.1";
constexpr const char* kClientAddress = "10.97.0.2";
// nmbd wins its election about 25 s after it starts.
constexpr auto kMasterBrowserBound = 90s;
constexpr auto kClientBound = 105s;

std::string FindTool(const std::string& name) {
  for (const char* dir : {"/usr/sbin", "/usr/bin", "/sbin", "/bin", "/usr/local/sbin", "/usr/local/bin"}) {
    const std::string path = std::string(dir) + "/" + name;
    if (::access(path.c_str(), X_OK) == 0) return path;
  }
  return {};
}

// Runs argv; its output, and whether it exited 0.
bool Capture(const std::vector<std::string>& args, std::string& out) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  ::close(fds[1]);
  out.clear();
  char buf[512];
  ssize_t n;
  while ((n = ::read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  ::close(fds[0]);
  if (rc != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<pid_t> NamespacePids(const std::string& ns) {
  std::string out;
  Capture({FindTool("ip"), "netns", "pids", ns}, out);
  std::vector<pid_t> pids;
  std::istringstream in(out);
  long pid = 0;
  while (in >> pid) {
    if (pid > 0 && pid != ::getpid()) pids.push_back(static_cast<pid_t>(pid));
  }
  return pids;
}

// Ends every process in the namespace (TERM, then KILL after two seconds)
// until it stays empty, reaping those this process started. Bounded.
void EmptyNamespace(const std::string& ns, std::vector<pid_t>& ours) {
  const auto start = Clock::now();
  int quiet = 0;
  while (Clock::now() - start < 10s && quiet < 3) {
    const int sig = Clock::now() - start < 2s ? SIGTERM : SIGKILL;
    const std::vector<pid_t> pids = NamespacePids(ns);
    for (pid_t pid : pids) ::kill(pid, sig);
    std::erase_if(ours, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
    quiet = pids.empty() && ours.empty() ? quiet + 1 : 0;
    std::this_thread::sleep_for(100ms);
  }
  for (pid_t pid : ours) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  ours.clear();
}

// smbd and nmbd of one workgroup in a namespace, each in the foreground
// with its standard input from /dev/null, with a configuration and state of
// their own under a temporary directory.
class BrowseServer {
 public:
  explicit BrowseServer(std::string ns) : ns_(std::move(ns)) {
    for (const char* sub : {"share", "state", "lock", "cache", "private", "pid", "ncalrpc", "binddns", "log"}) {
      ::mkdir(dir_.File(sub).c_str(), 0755);
    }
    ::chmod(dir_.path().c_str(), 0755);
    const std::string d = dir_.path();
    test::WriteBytes(dir_.File("smb.conf"),
                     "[global]\n"
                     "  workgroup = " + std::string(kWorkgroup) + "\n"
                     "  netbios name = " + kServerName + "\n"
                     "  server string = " + kServerComment + "\n"
                     "  interfaces = " + kServerAddress + "/24\n"
                     "  bind interfaces only = yes\n"
                     "  disable netbios = no\n"
                     "  smb ports = 445 139\n"
                     "  server min protocol = NT1\n"
                     "  local master = yes\n"
                     "  preferred master = yes\n"
                     "  os level = 65\n"
                     "  domain master = yes\n"
                     "  security = user\n"
                     "  map to guest = Bad User\n"
                     "  guest account = nobody\n"
                     "  passdb backend = tdbsam:" + d + "private/passdb.tdb\n"
                     "  state directory = " + d + "state\n"
                     "  lock directory = " + d + "lock\n"
                     "  cache directory = " + d + "cache\n"
                     "  private dir = " + d + "private\n"
                     "  pid directory = " + d + "pid\n"
                     "  ncalrpc dir = " + d + "ncalrpc\n"
                     "  binddns dir = " + d + "binddns\n"
                     "  log file = " + d + "log/log.%m\n"
                     "  usershare path =\n"
                     "  load printers = no\n"
                     "  printing = bsd\n"
                     "  printcap name = /dev/null\n"
                     "  disable spoolss = yes\n"
                     "[pub]\n"
                     "  path = " + d + "share\n"
                     "  comment = Public\n"
                     "  read only = yes\n"
                     "  guest ok = yes\n");
  }
  ~BrowseServer() { Stop(); }

  bool Start(std::string& why) {
    for (const char* daemon : {"smbd", "nmbd"}) {
      const pid_t pid = Spawn({FindTool("ip"), "netns", "exec", ns_, FindTool(daemon), "--foreground",
                               "--no-process-group", "--debug-stdout", "-s", dir_.File("smb.conf")},
                              dir_.File(std::string("log/") + daemon + ".out"));
      if (pid <= 0) {
        why = std::string(daemon) + " could not be started";
        return false;
      }
      started_.push_back(pid);
    }
    return true;
  }
  void Stop() { EmptyNamespace(ns_, started_); }
  std::string Config() const { return dir_.File("smb.conf"); }
  // Whether one of the daemons has ended.
  bool Ended() {
    for (pid_t pid : started_) {
      if (::waitpid(pid, nullptr, WNOHANG) == pid) return true;
    }
    return false;
  }
  std::string Logs() const {
    std::string text;
    for (const char* daemon : {"smbd", "nmbd"}) {
      std::string log = test::ReadBytes(dir_.File(std::string("log/") + daemon + ".out"));
      if (log.size() > 3000) log = log.substr(log.size() - 3000);
      text += std::string("--- ") + daemon + "\n" + log;
    }
    return text;
  }

 private:
  // A process group of its own: a daemon signalling its group must not
  // reach the test program.
  static pid_t Spawn(const std::vector<std::string>& args, const std::string& logFile) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int out = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in, 0);
    posix_spawn_file_actions_adddup2(&fa, out, 1);
    posix_spawn_file_actions_adddup2(&fa, out, 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &fa, &attr, argv.data(), environ) != 0) pid = -1;
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&fa);
    ::close(in);
    ::close(out);
    return pid;
  }

  std::string ns_;
  test::TempDir dir_;
  std::vector<pid_t> started_;
};

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
  EXPECT_EQ(pub->Comment, "Public");
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
  std::string sessions;
  EXPECT_TRUE(Capture({FindTool("smbstatus"), "-s", serverConfig, "-b"}, sessions));
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
      if (FindTool(tool).empty()) GTEST_SKIP() << tool << " is not installed";
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
    if (!cli_.empty()) {
      std::vector<pid_t> none;
      EmptyNamespace(cli_, none);
    }
    server_.reset();
    lab_.reset();
  }

  std::unique_ptr<test::NetnsLab> lab_;
  std::unique_ptr<BrowseServer> server_;
  std::string srv_, cli_;
  pid_t client_ = -1;
};

TEST_F(SmbBrowseNetns, BrowsesWorkgroupComputerAndShares) {
  const auto begin = Clock::now();
  // The client's own Samba state: nothing of the machine's is touched.
  test::TempDir clientDir;
  for (const char* sub : {"cache", "lock", "state", "private"}) ::mkdir(clientDir.File(sub).c_str(), 0700);
  const std::string clientConfig = clientDir.File("client.conf");
  test::WriteBytes(clientConfig, "[global]\n"
                                 "  workgroup = " + std::string(kWorkgroup) + "\n"
                                 "  name resolve order = bcast\n"
                                 "  cache directory = " + clientDir.File("cache") + "\n"
                                 "  lock directory = " + clientDir.File("lock") + "\n"
                                 "  state directory = " + clientDir.File("state") + "\n"
                                 "  private dir = " + clientDir.File("private") + "\n");

  server_ = std::make_unique<BrowseServer>(srv_);
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
    BrowseFromClient(clientConfig, server_->Config(), serversStarted);
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
      << "the client failed (see above)\n" << server_->Logs();
  EXPECT_FALSE(server_->Ended()) << server_->Logs();
  std::printf("[ browse   ] took %.1f s\n", Seconds(Clock::now() - begin));
}

}  // namespace
}  // namespace sentrova
