#include "netns/samba_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/tool_runner.h"
#include "settings/text.h"
#include "settings/text_file.h"

extern char** environ;

namespace sentrova::test {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<pid_t> NamespacePids(const std::string& ns) {
  ProcessToolRunner runner;
  const ToolResult r = runner.Run({FindTool("ip"), "netns", "pids", ns}, "", 5000);
  std::vector<pid_t> pids;
  for (const std::string& line : SplitLines(r.Out)) {
    int pid = 0;
    if (ParseInt(line, pid) && pid > 0 && pid != ::getpid()) pids.push_back(pid);
  }
  return pids;
}

void Reap(std::vector<pid_t>& ours) {
  std::erase_if(ours, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

// Gone, or a zombie waiting for its parent.
bool Ended(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const std::size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

// Whether a process listens on a TCP port, as its own namespace sees it.
bool Listening(pid_t pid, int port) {
  std::ifstream tcp("/proc/" + std::to_string(pid) + "/net/tcp");
  char hex[8];
  std::snprintf(hex, sizeof hex, ":%04X", port);
  std::string line;
  while (std::getline(tcp, line)) {
    std::istringstream in(line);
    std::string slot, local, remote, state;
    in >> slot >> local >> remote >> state;
    if (state == "0A" && local.size() > 5 && local.compare(local.size() - 5, 5, hex) == 0) return true;
  }
  return false;
}

// The last maxBytes of a file.
std::string Tail(const std::string& path, std::size_t maxBytes) {
  std::string text;
  ReadWholeFile(path, text);
  return text.size() > maxBytes ? text.substr(text.size() - maxBytes) : text;
}

}  // namespace

std::string FindTool(const std::string& name) {
  return FindOnPath(name, "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin");
}

std::string SambaUnavailable() {
  for (const char* tool : {"smbd", "nmbd", "nmblookup", "smbclient", "smbstatus", "testparm", "rpcclient"}) {
    if (FindTool(tool).empty()) return std::string(tool) + " is not installed";
  }
  return {};
}

void KillNamespaceProcesses(const std::string& ns, std::vector<pid_t> ours) {
  // TERM first, KILL after two seconds. A dying smbd may still fork a
  // helper, so the namespace must stay empty for a few looks in a row.
  std::vector<pid_t> seen;
  const auto start = Clock::now();
  int quiet = 0;
  while (Clock::now() - start < std::chrono::seconds(10) && quiet < 3) {
    const int sig = Clock::now() - start < std::chrono::seconds(2) ? SIGTERM : SIGKILL;
    const std::vector<pid_t> pids = NamespacePids(ns);
    for (pid_t pid : pids) {
      ::kill(pid, sig);
      seen.push_back(pid);
    }
    Reap(ours);
    quiet = pids.empty() && ours.empty() ? quiet + 1 : 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  for (pid_t pid : ours) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  // A process leaves the namespace list a moment before it has ended.
  const auto deadline = Clock::now() + std::chrono::seconds(3);
  std::erase_if(seen, Ended);
  while (!seen.empty() && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::erase_if(seen, Ended);
  }
}

pid_t SpawnInNamespace(const std::string& ns, const std::vector<std::string>& argv, const std::string& logFile,
                       int* stdinWrite) {
  int in[2] = {-1, -1};
  if (stdinWrite) {
    if (::pipe2(in, O_CLOEXEC) != 0) return -1;
  } else {
    in[0] = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  }
  const int out = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out, 1);
  posix_spawn_file_actions_adddup2(&actions, out, 2);
  std::vector<std::string> full = {FindTool("ip"), "netns", "exec", ns};
  full.insert(full.end(), argv.begin(), argv.end());
  std::vector<char*> args;
  for (std::string& a : full) args.push_back(a.data());
  args.push_back(nullptr);
  // A process group of its own: smbd ending signals its whole group, which
  // must not be this test program's.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  pid_t pid = -1;
  if (::posix_spawn(&pid, full[0].c_str(), &actions, &attr, args.data(), environ) != 0) pid = -1;
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out);
  if (stdinWrite) {
    if (pid > 0) {
      *stdinWrite = in[1];
    } else {
      ::close(in[1]);
    }
  }
  return pid;
}

SambaServer::SambaServer(Options options) : options_(std::move(options)) {
  configFile_ = dir_.File("smb.conf");
  sharePath_ = dir_.File("share");
  messageDir_ = dir_.File("messages");
  for (const char* sub : {"share", "share/sub", "messages", "state", "lock", "cache", "private", "pid", "ncalrpc",
                          "log", "binddns"}) {
    ::mkdir(dir_.File(sub).c_str(), 0755);
  }
  // The guest account reaches the share through the temporary directory.
  ::chmod(dir_.path().c_str(), 0755);
  ::chmod(sharePath_.c_str(), 0777);
  // The message command runs as the sender's (guest) account.
  ::chmod(messageDir_.c_str(), 0777);
  WriteBytes(sharePath_ + "/sub/report.txt", "hello\n");
  WriteConfig(true);
}

SambaServer::~SambaServer() { Stop(); }

void SambaServer::WriteConfig(bool messages) {
  const std::string d = dir_.path();
  std::string conf =
      "[global]\n"
      "  workgroup = " + options_.Workgroup + "\n"
      "  netbios name = " + options_.NetbiosName + "\n"
      "  server string = " + options_.ServerString + "\n"
      "  interfaces = " + options_.Address + "/24\n"
      "  bind interfaces only = yes\n"
      "  smb ports = 445 139\n"
      "  disable netbios = no\n"
      "  server min protocol = NT1\n"
      "  dos charset = CP932\n"
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
      "  local master = yes\n"
      "  preferred master = yes\n"
      "  os level = 65\n";
  if (options_.DomainMaster) conf += "  domain master = yes\n";
  if (messages) {
    // %s: the file smbd wrote the message to, %f: the sender. The message is
    // moved into place whole, so a reader never sees half of it.
    conf += "  message command = /bin/sh -c '/bin/cat %s > " + messageDir_ + "/.part-%f && /bin/mv " + messageDir_ +
            "/.part-%f " + messageDir_ + "/from-%f; /bin/rm -f %s' &\n";
  }
  conf +=
      "[pub]\n"
      "  path = " + sharePath_ + "\n"
      "  read only = no\n"
      "  guest ok = yes\n"
      "  force user = root\n";
  if (!options_.ShareComment.empty()) conf += "  comment = " + options_.ShareComment + "\n";
  WriteBytes(configFile_, conf);
}

void SambaServer::AcceptMessages(bool accept) { WriteConfig(accept); }

bool SambaServer::Start(std::string& why) {
  for (const char* name : {"smbd", "nmbd"}) {
    const std::string daemon = name;
    if (daemon == "nmbd" && !options_.Nmbd) continue;
    const pid_t pid = SpawnInNamespace(
        options_.Namespace,
        {FindTool(daemon), "--foreground", "--no-process-group", "--debug-stdout", "-s", configFile_},
        dir_.File("log/" + daemon + ".out"), nullptr);
    if (pid <= 0) {
      why = daemon + " could not be started";
      return false;
    }
    started_.push_back(pid);
  }
  const pid_t smbd = started_.front();
  const auto deadline = Clock::now() + std::chrono::seconds(15);
  while (Clock::now() < deadline) {
    if (Listening(smbd, 139) && Listening(smbd, 445)) return true;
    int status = 0;
    if (::waitpid(smbd, &status, WNOHANG) == smbd) {
      // Stop still ends nmbd.
      std::erase(started_, smbd);
      why = "smbd ended at start: " + Log();
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  why = "smbd took no connections within 15 s: " + Log();
  return false;
}

bool SambaServer::WaitUntilNamed(const std::string& fromNs, const std::string& clientConfig, std::string& why) {
  ProcessToolRunner runner;
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  ToolResult r;
  while (Clock::now() < deadline) {
    r = runner.Run({FindTool("ip"), "netns", "exec", fromNs, FindTool("nmblookup"), "-s", clientConfig,
                    options_.NetbiosName + "#03"},
                   "", 5000);
    if (r.ExitCode == 0 && r.Out.find(options_.Address) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  why = "the name " + options_.NetbiosName + "<03> did not resolve: " + r.Out + r.Err;
  return false;
}

void SambaServer::Stop() {
  if (started_.empty()) return;
  KillNamespaceProcesses(options_.Namespace, started_);
  started_.clear();
}

std::string SambaServer::ReceivedMessage(const std::string& sender) const {
  std::string text;
  ReadWholeFile(messageDir_ + "/from-" + sender, text);
  return text;
}

bool SambaServer::DaemonEnded() {
  for (pid_t pid : started_) {
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return true;
  }
  return false;
}

std::string SambaServer::Log() const {
  if (!options_.Nmbd) return Tail(dir_.File("log/smbd.out"), 4000);
  return "--- smbd\n" + Tail(dir_.File("log/smbd.out"), 3000) + "--- nmbd\n" + Tail(dir_.File("log/nmbd.out"), 3000);
}

HeldClient::HeldClient(const std::string& ns, const std::vector<std::string>& smbclientArgs,
                       const std::string& logFile) {
  // A client that has already gone must not take this process with it.
  ::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> argv = {FindTool("smbclient")};
  argv.insert(argv.end(), smbclientArgs.begin(), smbclientArgs.end());
  pid_ = SpawnInNamespace(ns, argv, logFile, &stdin_);
}

HeldClient::~HeldClient() { Close(); }

void HeldClient::Command(const std::string& line) {
  if (stdin_ < 0) return;
  const std::string text = line + "\n";
  if (::write(stdin_, text.data(), text.size()) < 0) {
    // The client has gone; Close reaps it.
  }
}

void HeldClient::Close() {
  if (stdin_ >= 0) ::close(stdin_);
  stdin_ = -1;
  if (pid_ <= 0) return;
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (Clock::now() < deadline) {
    const pid_t w = ::waitpid(pid_, nullptr, WNOHANG);
    if (w == pid_ || (w < 0 && errno == ECHILD)) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

std::string WriteClientConfig(const TempDir& dir, const std::string& workgroup, bool clientDefaults) {
  for (const char* sub : {"client-cache", "client-lock", "client-state", "client-private"}) {
    ::mkdir(dir.File(sub).c_str(), 0700);
  }
  const std::string path = dir.File("client.conf");
  std::string conf = "[global]\n  workgroup = " + workgroup + "\n";
  if (clientDefaults) {
    conf += "  name resolve order = bcast\n";
  } else {
    conf +=
        "  name resolve order = host bcast\n"
        "  client min protocol = NT1\n"
        "  dos charset = CP932\n";
  }
  conf +=
      "  cache directory = " + dir.File("client-cache") + "\n"
      "  lock directory = " + dir.File("client-lock") + "\n"
      "  state directory = " + dir.File("client-state") + "\n"
      "  private dir = " + dir.File("client-private") + "\n";
  WriteBytes(path, conf);
  return path;
}

}  // namespace sentrova::test
