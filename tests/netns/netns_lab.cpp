#include "netns/netns_lab.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace sentrova::test {
namespace {

constexpr const char* kPrefix = "svt";
std::atomic<int> labCounter{0};

// Runs argv without a shell; returns the exit status and the output.
int Spawn(const std::vector<std::string>& args, std::string* output) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
  posix_spawn_file_actions_adddup2(&fa, fds[1], 2);
  pid_t pid = -1;
  const int rc = ::posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  ::close(fds[1]);
  std::string out;
  char buf[512];
  ssize_t n;
  while ((n = ::read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  ::close(fds[0]);
  if (output) *output = out;
  if (rc != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Must(const std::vector<std::string>& args) {
  std::string out;
  if (Spawn(args, &out) != 0) {
    std::string line;
    for (const std::string& a : args) line += a + " ";
    throw std::runtime_error("command failed: " + line + ": " + out);
  }
}

void RemoveNamespace(const std::string& name) {
  Spawn({"ip", "netns", "del", name}, nullptr);
  std::error_code ec;
  std::filesystem::remove_all("/etc/netns/" + name, ec);
}

// Namespaces of labs whose process is gone.
void RemoveStale() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/run/netns", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kPrefix, 0) != 0) continue;
    const long pid = std::strtol(name.c_str() + std::strlen(kPrefix), nullptr, 10);
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) RemoveNamespace(name);
  }
}

}  // namespace

std::string NetnsUnavailable() {
  if (::geteuid() != 0) return "needs root (network namespaces)";
  std::string out;
  if (Spawn({"ip", "netns", "list"}, &out) != 0) return "`ip netns` is not available: " + out;
  return {};
}

NetnsLab::NetnsLab()
    : prefix_(std::string(kPrefix) + std::to_string(::getpid()) + "x" + std::to_string(labCounter++)) {
  RemoveStale();
}

NetnsLab::~NetnsLab() {
  for (auto it = namespaces_.rbegin(); it != namespaces_.rend(); ++it) RemoveNamespace(*it);
}

std::string NetnsLab::Add(const std::string& tag) {
  const std::string name = prefix_ + "-" + tag;
  Must({"ip", "netns", "add", name});
  namespaces_.push_back(name);
  Ip(name, {"link", "set", "dev", "lo", "up"});
  return name;
}

std::string NetnsLab::Tag(const std::string& ns) const { return ns.substr(prefix_.size() + 1); }

std::string NetnsLab::DeviceTowards(const std::string& to) const { return ("to-" + Tag(to)).substr(0, 15); }

void NetnsLab::Link(const std::string& a, const std::string& cidrA, const std::string& b, const std::string& cidrB) {
  const std::string devA = DeviceTowards(b);
  const std::string devB = DeviceTowards(a);
  Must({"ip", "link", "add", devA, "netns", a, "type", "veth", "peer", "name", devB, "netns", b});
  Ip(a, {"addr", "add", cidrA, "dev", devA});
  Ip(b, {"addr", "add", cidrB, "dev", devB});
  Ip(a, {"link", "set", "dev", devA, "up"});
  Ip(b, {"link", "set", "dev", devB, "up"});
}

void NetnsLab::Ip(const std::string& ns, const std::vector<std::string>& args) {
  std::vector<std::string> all = {"ip", "-n", ns};
  all.insert(all.end(), args.begin(), args.end());
  Must(all);
}

void NetnsLab::Sysctl(const std::string& ns, const std::string& key, const std::string& value) {
  Run(ns, [&] {
    std::ofstream out("/proc/sys/" + key);
    out << value << "\n";
    out.close();
    if (!out) throw std::runtime_error("cannot write /proc/sys/" + key);
  });
}

void NetnsLab::Hosts(const std::string& ns, const std::string& content) {
  const std::string dir = "/etc/netns/" + ns;
  std::filesystem::create_directories(dir);
  std::ofstream out(dir + "/hosts");
  out << content;
}

void NetnsLab::Run(const std::string& ns, const std::function<void()>& fn) {
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      const int fd = ::open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) throw std::runtime_error("no namespace " + ns);
      const int rc = ::setns(fd, CLONE_NEWNET);
      ::close(fd);
      if (rc != 0) throw std::runtime_error("setns " + ns + ": " + std::strerror(errno));
      const std::string hosts = "/etc/netns/" + ns + "/hosts";
      if (std::filesystem::exists(hosts)) {
        // A mount namespace of this thread alone, where /etc/hosts is the
        // namespace's own (what `ip netns exec` does for a process).
        if (::unshare(CLONE_NEWNS) != 0 || ::mount("", "/", nullptr, MS_SLAVE | MS_REC, nullptr) != 0 ||
            ::mount(hosts.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) != 0) {
          throw std::runtime_error(std::string("hosts of ") + ns + ": " + std::strerror(errno));
        }
      }
      fn();
    } catch (...) {
      failure = std::current_exception();
    }
  });
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

std::string NetnsLab::MacOf(const std::string& ns, const std::string& device) {
  std::string mac;
  Run(ns, [&] {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq req{};
    std::strncpy(req.ifr_name, device.c_str(), IFNAMSIZ - 1);
    const int rc = ::ioctl(fd, SIOCGIFHWADDR, &req);
    ::close(fd);
    if (rc != 0) throw std::runtime_error("no device " + device);
    const auto* b = reinterpret_cast<const unsigned char*>(req.ifr_hwaddr.sa_data);
    char buf[18];
    std::snprintf(buf, sizeof buf, "%02x:%02x:%02x:%02x:%02x:%02x", b[0], b[1], b[2], b[3], b[4], b[5]);
    mac = buf;
  });
  return mac;
}

}  // namespace sentrova::test
