#include "platform/samba_net_api.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "settings/text_file.h"

namespace sentrova {
namespace {

struct Call {
  std::vector<std::string> argv;
  std::string input;
  int timeoutMs;
};

// Answers each run from a function of its argv, and records it.
class FakeRunner : public ToolRunner {
 public:
  std::vector<Call>* calls;
  std::function<ToolResult(const std::vector<std::string>&)> answer;
  FakeRunner(std::vector<Call>* c, std::function<ToolResult(const std::vector<std::string>&)> a)
      : calls(c), answer(std::move(a)) {}
  ToolResult Run(const std::vector<std::string>& argv, const std::string& input, int timeoutMs) override {
    calls->push_back({argv, input, timeoutMs});
    return answer(argv);
  }
};

class FakeServerList : public SmbServerList {
 public:
  int error = 0;
  std::vector<BrowseEntry> entries;
  std::vector<std::string>* asked = nullptr;
  int ListServers(const std::string& workgroup, std::vector<BrowseEntry>& out) override {
    if (asked) asked->push_back(workgroup);
    out = error ? std::vector<BrowseEntry>{} : entries;
    return error;
  }
};

std::string Data(const std::string& name) {
  std::string bytes;
  EXPECT_TRUE(ReadWholeFile(std::string(SENTROVA_TEST_DATA) + "/samba/" + name, bytes)) << name;
  return bytes;
}

ToolResult Ok(std::string out, std::string err = {}) { return {true, false, 0, std::move(out), std::move(err)}; }
ToolResult Exit(int code, std::string out = {}, std::string err = {}) {
  return {true, false, code, std::move(out), std::move(err)};
}

SambaSetup FullSetup() {
  SambaSetup s;
  s.IsRoot = true;
  s.HaveServerList = true;
  s.Smbstatus = "/usr/bin/smbstatus";
  s.Testparm = "/usr/bin/testparm";
  s.Smbclient = "/usr/bin/smbclient";
  s.Rpcclient = "/usr/bin/rpcclient";
  s.Options.ToolTimeoutMs = 3000;
  return s;
}

struct Provider {
  std::vector<Call> calls;
  FakeServerList* list = nullptr;
  std::unique_ptr<SambaNetApi> api;
  Provider(SambaSetup setup, std::function<ToolResult(const std::vector<std::string>&)> answer, bool withList = true) {
    std::unique_ptr<FakeServerList> l;
    if (withList) {
      l = std::make_unique<FakeServerList>();
      list = l.get();
    }
    api = std::make_unique<SambaNetApi>(std::move(setup), std::make_unique<FakeRunner>(&calls, std::move(answer)),
                                        std::move(l));
  }
};

std::function<std::string(const std::string&)> Installed(std::vector<std::string> names) {
  return [names](const std::string& n) {
    for (const std::string& x : names) {
      if (x == n) return "/usr/bin/" + n;
    }
    return std::string();
  };
}

TEST(ProbeSamba, RootRunsSmbstatusDirectlyWithoutAskingSudo) {
  std::vector<Call> calls;
  FakeRunner runner(&calls, [](const auto&) { return Exit(1); });
  const SambaSetup s = ProbeSamba({}, true, true, Installed({"smbstatus", "testparm", "smbclient", "rpcclient", "sudo"}),
                                  runner);
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(s.SmbstatusUsable());
  EXPECT_EQ(SmbstatusArgv(s), (std::vector<std::string>{"/usr/bin/smbstatus", "--json"}));
}

TEST(ProbeSamba, NonRootAsksSudoWhetherSmbstatusMayRunWithoutPassword) {
  for (int sudoAnswer : {0, 1}) {
    std::vector<Call> calls;
    FakeRunner runner(&calls, [&](const auto&) { return Exit(sudoAnswer); });
    const SambaSetup s = ProbeSamba({}, false, true, Installed({"smbstatus", "sudo"}), runner);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].argv, (std::vector<std::string>{"/usr/bin/sudo", "-n", "-l", "/usr/bin/smbstatus", "--json"}));
    EXPECT_EQ(s.SmbstatusUsable(), sudoAnswer == 0);
    if (sudoAnswer == 0) {
      EXPECT_EQ(SmbstatusArgv(s), (std::vector<std::string>{"/usr/bin/sudo", "-n", "/usr/bin/smbstatus", "--json"}));
    }
  }
  // Without sudo nothing is asked and smbstatus is out of reach.
  std::vector<Call> calls;
  FakeRunner runner(&calls, [](const auto&) { return Exit(0); });
  const SambaSetup s = ProbeSamba({}, false, true, Installed({"smbstatus"}), runner);
  EXPECT_TRUE(calls.empty());
  EXPECT_FALSE(s.SmbstatusUsable());
  EXPECT_FALSE(ProbeSamba({}, false, false, Installed({}), runner).AnythingInstalled());
}

TEST(SambaNetApi, EachOperationPresentOnlyWithWhatItNeeds) {
  struct Case {
    const char* what;
    std::function<void(SambaSetup&)> change;
    bool withList;
    std::vector<std::string> absent;
  } cases[] = {
      {"everything", [](SambaSetup&) {}, true, {}},
      {"not root, no sudo rule", [](SambaSetup& s) { s.IsRoot = false; }, true,
       {"NetSessionEnum", "NetConnectionEnum", "NetFileEnum"}},
      {"no testparm", [](SambaSetup& s) { s.Testparm.clear(); }, true, {"NetShareGetInfo"}},
      {"no smbclient", [](SambaSetup& s) { s.Smbclient.clear(); }, true, {"NetMessageBufferSend"}},
      {"no rpcclient", [](SambaSetup& s) { s.Rpcclient.clear(); }, true, {"NetServerEnum"}},
      {"no libsmbclient", [](SambaSetup&) {}, false, {"NetServerEnum"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SambaSetup setup = FullSetup();
    c.change(setup);
    Provider p(setup, [](const auto&) { return Exit(1); }, c.withList);
    for (std::string_view name : kNetApiNTNames) {
      const bool absent = std::find(c.absent.begin(), c.absent.end(), name) != c.absent.end();
      EXPECT_EQ(p.api->Exports(name), !absent) << name;
    }
    EXPECT_EQ(p.api->MissingDetail().empty(), c.absent.empty());
  }
}

// The real provider without rpcclient: the whole NT set stays unbound, the
// message send included.
TEST(SambaNetApi, BindingFailsWholeWhenOneToolIsMissing) {
  class OneLoader : public NetApiLoader {
   public:
    std::unique_ptr<NetApiNTLibrary> lib;
    std::unique_ptr<NetApi9xLibrary> Load9x(const std::string&) override { return nullptr; }
    std::unique_ptr<NetApiNTLibrary> LoadNT(const std::string&) override { return std::move(lib); }
  } loader;
  SambaSetup setup = FullSetup();
  setup.Rpcclient.clear();
  std::vector<Call> calls;
  loader.lib = std::make_unique<SambaNetApi>(setup, std::make_unique<FakeRunner>(&calls, [](const auto&) {
                                               return Ok("");
                                             }),
                                             std::make_unique<FakeServerList>());
  NetApiBinding net;
  EXPECT_FALSE(BindNetApiNT(net, loader));
  EXPECT_FALSE(net.NT.NetMessageBufferSend);
  EXPECT_FALSE(net.NT.NetSessionEnum);
  EXPECT_NE(net.FailureDetail.find("rpcclient"), std::string::npos);
}

TEST(SambaNetApi, SessionsConnectionsAndFilesFromOneSmbstatusLook) {
  SambaSetup setup = FullSetup();
  setup.Options.ConfigFile = "/tmp/x/smb.conf";
  Provider p(setup, [](const auto&) { return Ok(Data("smbstatus_shares_files.json")); });
  std::vector<SessionInfo10> sessions;
  ASSERT_EQ(p.api->NetSessionEnum(sessions, 800), kNerrSuccess);
  EXPECT_EQ(sessions.size(), 3u);
  std::vector<ConnectionInfo1> connections;
  ASSERT_EQ(p.api->NetConnectionEnum("\\\\WS01", connections, 1400), kNerrSuccess);
  ASSERT_EQ(connections.size(), 1u);
  EXPECT_EQ(connections[0].NetName, "pub");
  std::vector<FileInfo3> files;
  ASSERT_EQ(p.api->NetFileEnum("/tmp/svlab/share", "root", files, 2000), kNerrSuccess);
  ASSERT_EQ(files.size(), 1u);
  // One run served all three, with the server's configuration.
  ASSERT_EQ(p.calls.size(), 1u);
  EXPECT_EQ(p.calls[0].argv,
            (std::vector<std::string>{"/usr/bin/smbstatus", "--json", "-s", "/tmp/x/smb.conf"}));
  EXPECT_EQ(p.calls[0].timeoutMs, 3000);
}

TEST(SambaNetApi, EveryLookRunsSmbstatusWhenNothingIsReused) {
  SambaSetup setup = FullSetup();
  setup.Options.StatusReuseMs = 0;
  int run = 0;
  Provider p(setup, [&](const auto&) {
    ++run;
    return run == 1 ? Ok(Data("smbstatus_shares_files.json")) : Ok(Data("smbstatus_idle.json"));
  });
  std::vector<SessionInfo10> sessions;
  ASSERT_EQ(p.api->NetSessionEnum(sessions, 800), kNerrSuccess);
  EXPECT_EQ(sessions.size(), 3u);
  ASSERT_EQ(p.api->NetSessionEnum(sessions, 800), kNerrSuccess);
  EXPECT_TRUE(sessions.empty());
  EXPECT_EQ(p.calls.size(), 2u);
}

TEST(SambaNetApi, SmbstatusFailureGivesAnErrorAndNoEntries) {
  SambaSetup setup = FullSetup();
  Provider p(setup, [](const auto&) { return Exit(1, Data("smbstatus_nonroot.out"), Data("smbstatus_nonroot.err")); });
  std::vector<SessionInfo10> sessions{{"OLD", "x", 1, 1}};
  EXPECT_EQ(p.api->NetSessionEnum(sessions, 800), kErrorAccessDenied);
  EXPECT_TRUE(sessions.empty());
  std::vector<FileInfo3> files;
  EXPECT_EQ(p.api->NetFileEnum("/", "", files, 2000), kErrorAccessDenied);
  EXPECT_EQ(p.calls.size(), 2u);  // a failure is never reused
}

TEST(SambaNetApi, MessageThroughSmbclientWithTheTextOnStdin) {
  Provider p(FullSetup(), [](const auto&) { return Ok(Data("smbclient_msg.out")); });
  EXPECT_EQ(p.api->NetMessageBufferSend("PC01", "MYPC", "会議です\r\n10時"), kNerrSuccess);
  ASSERT_EQ(p.calls.size(), 1u);
  EXPECT_EQ(p.calls[0].argv, (std::vector<std::string>{"/usr/bin/smbclient", "-M", "PC01", "-n", "MYPC", "-U", "MYPC",
                                                       "-N", "--option=dos charset=CP932"}));
  EXPECT_EQ(p.calls[0].input, "会議です\r\n10時");

  Provider refused(FullSetup(), [](const auto&) { return Ok(Data("smbclient_msg.out"), Data("smbclient_msg_refused.err")); });
  EXPECT_EQ(refused.api->NetMessageBufferSend("PC01", "MYPC", "x"), kNerrNameNotFound);
  // Names that a tool would take for an option are refused before any run.
  for (const char* bad : {"-L", "", "PC\n01"}) {
    EXPECT_EQ(refused.api->NetMessageBufferSend(bad, "MYPC", "x"), kErrorInvalidParameter) << bad;
  }
  EXPECT_EQ(refused.calls.size(), 1u);
}

TEST(SambaNetApi, SharePathFromTheSambaConfiguration) {
  SambaSetup setup = FullSetup();
  setup.Options.ConfigFile = "/tmp/x/smb.conf";
  Provider p(setup, [](const std::vector<std::string>& argv) {
    return argv[2] == "--section-name=pub" ? Ok("/srv/pub\n", "Load smb config files from /tmp/x/smb.conf\n")
                                           : Exit(1, "", "Unknown section nosuch\n");
  });
  ShareInfo2 info;
  ASSERT_EQ(p.api->NetShareGetInfo("pub", info), kNerrSuccess);
  EXPECT_EQ(info.Path, "/srv/pub");
  EXPECT_EQ(info.NetName, "pub");
  EXPECT_EQ(p.calls[0].argv, (std::vector<std::string>{"/usr/bin/testparm", "-s", "--section-name=pub",
                                                       "--parameter-name=path", "/tmp/x/smb.conf"}));
  EXPECT_EQ(p.api->NetShareGetInfo("nosuch", info), kNerrNetNameNotFound);
  EXPECT_EQ(info.Path, "");
  EXPECT_EQ(p.api->NetShareGetInfo("a]b", info), kErrorInvalidParameter);
  // Asked again soon, both answers come from the first runs.
  ASSERT_EQ(p.api->NetShareGetInfo("pub", info), kNerrSuccess);
  EXPECT_EQ(info.Path, "/srv/pub");
  EXPECT_EQ(p.api->NetShareGetInfo("nosuch", info), kNerrNetNameNotFound);
  EXPECT_EQ(p.calls.size(), 2u);
}

TEST(SambaNetApi, SharePathAskedAgainWhenNotReused) {
  SambaSetup setup = FullSetup();
  setup.Options.SharePathReuseMs = 0;
  int run = 0;
  Provider p(setup, [&](const auto&) { return ++run == 1 ? Ok("/srv/old\n") : Ok("/srv/new\n"); });
  ShareInfo2 info;
  ASSERT_EQ(p.api->NetShareGetInfo("pub", info), kNerrSuccess);
  EXPECT_EQ(info.Path, "/srv/old");
  ASSERT_EQ(p.api->NetShareGetInfo("pub", info), kNerrSuccess);
  EXPECT_EQ(info.Path, "/srv/new");
}

TEST(SambaNetApi, ServerEnumNamesFromTheBrowseListTypesFromSrvinfo) {
  Provider p(FullSetup(), [](const std::vector<std::string>& argv) {
    if (argv.back() == "SVLABSRV") return Ok(Data("rpcclient_srvinfo.out"));
    return Exit(1, "", Data("rpcclient_srvinfo_fail.err"));
  });
  std::vector<std::string> asked;
  p.list->asked = &asked;
  p.list->entries = {{"SVLABSRV", "lab"}, {"OLDPC", "gone"}};
  std::vector<ServerInfo101> out;
  ASSERT_EQ(p.api->NetServerEnum("LABGRP", kSvTypeAll, out), kNerrSuccess);
  EXPECT_EQ(asked, std::vector<std::string>{"LABGRP"});
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].Name, "SVLABSRV");
  EXPECT_EQ(out[0].Comment, "lab");
  EXPECT_EQ(out[0].PlatformId, kPlatformIdNt);
  EXPECT_EQ(out[0].Type, 0x809a03u);
  EXPECT_EQ(out[0].VersionMajor, 6u);
  EXPECT_EQ(out[1].Name, "OLDPC");
  EXPECT_EQ(out[1].PlatformId, 0u);  // not learnt
  EXPECT_EQ(p.calls[0].argv,
            (std::vector<std::string>{"/usr/bin/rpcclient", "-U%", "-N", "-c", "srvinfo", "SVLABSRV"}));
  // A type filter keeps only computers known to be of that type.
  ASSERT_EQ(p.api->NetServerEnum("LABGRP", 0x00000002u, out), kNerrSuccess);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].Name, "SVLABSRV");
}

TEST(SambaNetApi, ServerEnumFailures) {
  Provider p(FullSetup(), [](const std::vector<std::string>& argv) {
    if (argv[0] == "/usr/bin/testparm") return Ok("HOMEGRP\n");
    return Exit(1);
  });
  std::vector<std::string> asked;
  p.list->asked = &asked;
  std::vector<ServerInfo101> out;
  ASSERT_EQ(p.api->NetServerEnum("", kSvTypeAll, out), kNerrSuccess);  // this computer's workgroup
  EXPECT_EQ(asked, std::vector<std::string>{"HOMEGRP"});
  struct Case {
    int err;
    std::uint32_t code;
  } cases[] = {{ENOENT, kErrorNoBrowserServersFound}, {ETIMEDOUT, kErrorSemTimeout}, {EACCES, kErrorAccessDenied},
               {EHOSTUNREACH, kErrorBadNetpath}};
  for (const Case& c : cases) {
    p.list->error = c.err;
    EXPECT_EQ(p.api->NetServerEnum("LABGRP", kSvTypeAll, out), c.code);
    EXPECT_TRUE(out.empty());
  }
}

}  // namespace
}  // namespace sentrova
