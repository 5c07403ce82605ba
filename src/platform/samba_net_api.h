// The NT server and messenger operations on Linux, supplied by Samba.
//
//   NetSessionEnum, NetConnectionEnum, NetFileEnum  smbstatus --json (root:
//                     directly; otherwise through "sudo -n" when a sudoers
//                     rule allows it)
//   NetShareGetInfo   testparm: the share's path in the Samba configuration
//   NetMessageBufferSend  smbclient -M (SMB1 messenger), text on stdin
//   NetServerEnum     libsmbclient's browse list names the computers;
//                     rpcclient -c srvinfo gives each one's platform id,
//                     version and server type bits
//   NetApiBufferFree  nothing to free (records are returned by value)
//
// Each operation is present only when what it needs is installed and usable.
// Every tool runs without a shell and with a time limit.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "access/net_api.h"
#include "platform/samba_parse.h"
#include "platform/tool_runner.h"

namespace sentrova {

// A workgroup's computers from the network browse list.
struct BrowseEntry {
  std::string Name;
  std::string Comment;
};
class SmbServerList {
 public:
  virtual ~SmbServerList() = default;
  // 0, or an errno value when the list could not be read.
  virtual int ListServers(const std::string& workgroup, std::vector<BrowseEntry>& out) = 0;
};

struct SambaOptions {
  std::string ConfigFile;        // smb.conf of the server (empty: Samba's default)
  std::string ClientConfigFile;  // smb.conf for smbclient and rpcclient (empty: default)
  int ToolTimeoutMs = 4000;      // one tool run
  int ServerEnumBudgetMs = 8000;  // all srvinfo runs of one NetServerEnum
  // A smbstatus look is reused for this long, so that the session,
  // connection and file lookups of one access check cost one run and agree.
  int StatusReuseMs = 1500;
  // A share's path from the configuration is reused for this long: every
  // access check asks it again for every connected share.
  int SharePathReuseMs = 10000;
  std::string SearchPath;        // where the tools are looked for; empty: $PATH
};

// What was found on this computer.
struct SambaSetup {
  SambaOptions Options;
  std::string Smbstatus, Testparm, Smbclient, Rpcclient, Sudo;  // paths; empty when not found
  bool SmbstatusViaSudo = false;  // not root, and sudo -n may run it
  bool IsRoot = false;
  bool HaveServerList = false;  // libsmbclient could be loaded
  bool SmbstatusUsable() const { return !Smbstatus.empty() && (IsRoot || SmbstatusViaSudo); }
  bool AnythingInstalled() const {
    return !Smbstatus.empty() || !Testparm.empty() || !Smbclient.empty() || !Rpcclient.empty() || HaveServerList;
  }
};

// The argument lists the provider runs (exposed for tests and the README).
std::vector<std::string> SmbstatusArgv(const SambaSetup& setup);
std::vector<std::string> SudoProbeArgv(const SambaSetup& setup);

// Looks the tools up (find: name to path, empty when absent) and asks sudo
// whether smbstatus may run without a password when not root.
SambaSetup ProbeSamba(const SambaOptions& options, bool isRoot, bool haveServerList,
                      const std::function<std::string(const std::string&)>& find, ToolRunner& runner);

class SambaNetApi : public NetApiNTLibrary {
 public:
  // serverList may be null (libsmbclient missing).
  SambaNetApi(SambaSetup setup, std::unique_ptr<ToolRunner> runner, std::unique_ptr<SmbServerList> serverList);

  bool Exports(std::string_view name) const override;
  std::string MissingDetail() const override;
  std::uint32_t NetSessionEnum(std::vector<SessionInfo10>& out, std::uint32_t prefMaxLen) override;
  std::uint32_t NetConnectionEnum(const std::string& qualifier, std::vector<ConnectionInfo1>& out,
                                  std::uint32_t prefMaxLen) override;
  std::uint32_t NetMessageBufferSend(const std::string& recipient, const std::string& sender,
                                     const std::string& text) override;
  std::uint32_t NetServerEnum(const std::string& domain, std::uint32_t serverType,
                              std::vector<ServerInfo101>& out) override;
  std::uint32_t NetShareGetInfo(const std::string& share, ShareInfo2& out) override;
  std::uint32_t NetFileEnum(const std::string& basePath, const std::string& userName, std::vector<FileInfo3>& out,
                            std::uint32_t prefMaxLen) override;
  std::uint32_t NetApiBufferFree(const void* buffer) override;

  const SambaSetup& Setup() const { return setup_; }

 private:
  std::uint32_t Status(SmbStatus& status);
  std::vector<std::string> WithClientConfig(std::vector<std::string> argv) const;

  SambaSetup setup_;
  std::unique_ptr<ToolRunner> runner_;
  SmbStatus lastStatus_;
  std::chrono::steady_clock::time_point lastStatusAt_{};
  bool haveLastStatus_ = false;
  struct SharePath {
    std::uint32_t Code;
    std::string Path;
    std::chrono::steady_clock::time_point At;
  };
  std::map<std::string, SharePath> sharePaths_;
  std::unique_ptr<SmbServerList> serverList_;
};

// The loader of the Linux program: "NETAPI32.DLL" is the Samba provider
// (null when no part of Samba's client or server is installed); nothing
// supplies "SVRAPI.DLL".
std::unique_ptr<NetApiLoader> MakeSambaNetApiLoader(SambaOptions options = {});

}  // namespace sentrova
