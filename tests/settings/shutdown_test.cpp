#include "settings/shutdown_privilege.h"
#include "support/eventually.h"
#include "support/fake_actions.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "platform/logind_bus.h"
#include "platform/logind_permission.h"
#include "support/fake_shutdown_service.h"
#include "support/temp_dir.h"

extern char** environ;

namespace sentrova {
namespace {

using test::FakePermission;

TEST(EnableShutdownPrivilege, OnlyTheSuperUserOrAPlainYes) {
  struct Case {
    bool root;
    const char* answer;
    bool want;
  } cases[] = {
      {true, "no", true},         {true, "", true},          {false, "yes", true},
      {false, "no", false},       {false, "challenge", false}, {false, "na", false},
      {false, "", false},  // logind could not be asked
      {false, "YES", false},
  };
  for (const auto& c : cases) {
    FakePermission permission(c.root, c.answer);
    EXPECT_EQ(EnableShutdownPrivilege(permission), c.want) << c.root << " " << c.answer;
    EXPECT_EQ(permission.asked, c.root ? 0 : 1);
  }
}

// The fake the program's tests use in place of the real power-off.
static_assert(!std::is_abstract_v<test::FakeShutdownService>);

using test::Eventually;

// A private message bus of this test's own (never the system bus), started
// with dbus-daemon and ended by its process id.
class PrivateBus {
 public:
  explicit PrivateBus(const test::TempDir& dir) : socket_(dir.File("bus")) {
    const std::string config = dir.File("bus.conf");
    test::WriteBytes(config,
                     "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
                     " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                     "<busconfig><type>session</type><listen>unix:path=" +
                         socket_ +
                         "</listen><auth>EXTERNAL</auth>"
                         "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                         "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                         "</busconfig>\n");
    const std::string configArg = "--config-file=" + config;
    std::vector<char*> argv = {const_cast<char*>("dbus-daemon"), const_cast<char*>("--nofork"),
                               const_cast<char*>("--nopidfile"), const_cast<char*>(configArg.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);  // its complaints
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~PrivateBus() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  // True once the daemon takes connections (its socket appears a moment
  // before it listens).
  bool Ready() const {
    return pid_ > 0 && Eventually([&] {
             const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
             sockaddr_un addr{};
             addr.sun_family = AF_UNIX;
             std::strncpy(addr.sun_path, socket_.c_str(), sizeof addr.sun_path - 1);
             const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
             close(fd);
             return ok;
           });
  }
  std::string Address() const { return "unix:path=" + socket_; }

 private:
  std::string socket_;
  pid_t pid_ = -1;
};

// A stand-in for logind on a private bus: answers CanPowerOff with the text
// set, or with an error when the text is empty. It has no PowerOff.
class FakeLogind {
 public:
  explicit FakeLogind(const std::string& address) {
    if (sd_bus_new(&bus_) < 0) return;
    if (sd_bus_set_address(bus_, address.c_str()) < 0 || sd_bus_set_bus_client(bus_, 1) < 0 ||
        sd_bus_start(bus_) < 0 || sd_bus_request_name(bus_, "org.freedesktop.login1", 0) < 0 ||
        sd_bus_add_object_vtable(bus_, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                 kVtable, this) < 0)
      return;
    ready_ = true;
    thread_ = std::thread([this] {
      while (!stop_) {
        const int r = sd_bus_process(bus_, nullptr);
        if (r < 0) break;
        if (r == 0) sd_bus_wait(bus_, 20000);
      }
    });
  }
  ~FakeLogind() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    sd_bus_close_unref(bus_);
  }
  bool ready() const { return ready_; }
  void SetAnswer(std::string answer) {
    std::lock_guard lock(mutex_);
    answer_ = std::move(answer);
  }

 private:
  static int CanPowerOff(sd_bus_message* m, void* userdata, sd_bus_error* error) {
    auto* self = static_cast<FakeLogind*>(userdata);
    std::lock_guard lock(self->mutex_);
    if (self->answer_.empty())
      return sd_bus_error_set_const(error, "org.freedesktop.DBus.Error.AccessDenied", "no");
    return sd_bus_reply_method_return(m, "s", self->answer_.c_str());
  }
  static constexpr sd_bus_vtable kVtable[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD("CanPowerOff", "", "s", &FakeLogind::CanPowerOff, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_VTABLE_END,
  };

  std::mutex mutex_;
  std::string answer_;
  sd_bus* bus_ = nullptr;
  bool ready_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(LogindCanPowerOff, ReadsTheAnswerOverDBus) {
  test::TempDir dir;
  PrivateBus bus(dir);
  ASSERT_TRUE(bus.Ready()) << "dbus-daemon did not start";
  const LogindBus settings{bus.Address(), std::chrono::milliseconds(10000)};
  // No logind on the bus at all.
  EXPECT_EQ(LogindCanPowerOff(settings), std::nullopt);
  FakeLogind logind(bus.Address());
  ASSERT_TRUE(logind.ready());
  for (const char* answer : {"yes", "no", "challenge", "na"}) {
    logind.SetAnswer(answer);
    EXPECT_EQ(LogindCanPowerOff(settings), answer);
    LogindPowerOffPermission permission(settings);
    EXPECT_EQ(permission.CanPowerOff(), answer);
  }
  logind.SetAnswer("");  // an error reply
  EXPECT_EQ(LogindCanPowerOff(settings), std::nullopt);
  EXPECT_EQ(LogindPowerOffPermission(settings).CanPowerOff(), "");
}

TEST(LogindCanPowerOff, NoBusOrAMuteBusGivesNothingAndNeverHangs) {
  test::TempDir dir;
  EXPECT_EQ(LogindCanPowerOff({"unix:path=" + dir.File("none"), std::chrono::milliseconds(300)}), std::nullopt);
  EXPECT_EQ(LogindCanPowerOff({"not an address", std::chrono::milliseconds(300)}), std::nullopt);

  // A socket that takes the connection and never says a word.
  const std::string path = dir.File("mute");
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof addr.sun_path);
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  EXPECT_EQ(LogindCanPowerOff({"unix:path=" + path, std::chrono::milliseconds(300)}), std::nullopt);
  close(listener);
}

}  // namespace
}  // namespace sentrova
