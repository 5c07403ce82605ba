// The program end to end: `sentrova --console --once` checks three terminals
// by ping on test hosts, two answering and one silent, and records history.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "netns/netns_lab.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

std::string RunCapture(const std::string& command, int& status) {
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  status = ::pclose(p);
  return out;
}

// A line "YYYY/MM/DD HH:MM:SS" + rest in out.
bool HasReportLine(const std::string& out, const std::string& rest) {
  std::size_t start = 0;
  while (start < out.size()) {
    std::size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    const std::string line = out.substr(start, end - start);
    start = end + 1;
    static const std::string shape = "dddd/dd/dd dd:dd:dd";
    if (line.size() != shape.size() + rest.size() || line.compare(shape.size(), std::string::npos, rest) != 0) continue;
    bool ok = true;
    for (std::size_t i = 0; i < shape.size(); ++i) {
      const char c = line[i];
      ok = ok && (shape[i] == 'd' ? (c >= '0' && c <= '9') : c == shape[i]);
    }
    if (ok) return true;
  }
  return false;
}

TEST(ConsoleOnce, ChecksTestHostsReportsAndRecords) {
#ifndef SENTROVA_PROGRAM
  GTEST_SKIP() << "the program is not built";
#else
  if (const std::string why = test::NetnsUnavailable(); !why.empty()) GTEST_SKIP() << why;
  test::NetnsLab lab;
  const std::string watcher = lab.Add("watch");
  const std::string hosts = lab.Add("hosts");
  lab.Link(watcher, "10.77.0.1/24", hosts, "10.77.0.2/24");
  lab.Ip(hosts, {"addr", "add", "10.77.0.3/24", "dev", lab.DeviceTowards(watcher)});
  // 10.77.0.4 is on the link but nobody has it: silent.

  test::TempDir dir;
  test::WriteBytes(dir.File("Sentrova.NT"),
                   "PC2\t10.77.0.2\tY\t0\t-1\t-1\t\r\nuser2\r\n\r\n\r\nWG\t\r\n"
                   "PC3\t10.77.0.3\tY\t0\t-1\t-1\t\r\nuser3\r\n\r\n\r\nWG\t\r\n"
                   "PC4\t10.77.0.4\tY\t0\t-1\t-1\t\r\nuser4\r\n\r\n\r\nWG\t\r\n");
  test::WriteBytes(dir.File("Sentrova.ini"),
                   "[Sentrova]\r\nVersion=2.10a\r\n"
                   "[TCPIP]\r\nTimeOut=500\r\n"
                   "[Login]\r\nDoRecord=1\r\nRecordFile=in\r\nRecordFileExp=log\r\n"
                   "[Logout]\r\nDoRecord=1\r\nRecordFile=out\r\nRecordFileExp=log\r\n");
  ::mkdir(dir.File("run").c_str(), 0700);
  int status = -1;
  const std::string out = RunCapture("XDG_RUNTIME_DIR=" + dir.File("run") + " SENTROVA_ALSA_DEVICE=null ip netns exec " +
                                         watcher + " " + SENTROVA_PROGRAM + " --console --once --data-dir " +
                                         dir.path() + " 2>&1",
                                     status);
  ASSERT_TRUE(WIFEXITED(status)) << out;
  EXPECT_EQ(WEXITSTATUS(status), 0) << out;
  EXPECT_TRUE(HasReportLine(out, "\tlogin\tログインしました。\tuser2 PC2, user3 PC3")) << out;
  EXPECT_TRUE(HasReportLine(out, "\tlogout\tログアウトしました。\tuser4 PC4")) << out;

  const std::string in = test::ReadBytes(dir.File("in.log"));
  EXPECT_NE(in.find("[Login]"), std::string::npos) << in;
  EXPECT_NE(in.find("\r\nuser2\r\nuser3\r\n.\r\n"), std::string::npos) << in;
  const std::string outLog = test::ReadBytes(dir.File("out.log"));
  EXPECT_NE(outLog.find("\r\nuser4\r\n.\r\n"), std::string::npos) << outLog;
  const std::string ini = test::ReadBytes(dir.File("Sentrova.ini"));
  EXPECT_NE(ini.find("Version=2.10a"), std::string::npos);
  EXPECT_NE(ini.find("[MainWnd]"), std::string::npos) << ini;  // written by the close sequence
#endif
}

}  // namespace
}  // namespace sentrova
