#include "platform/samba_net_api.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "settings/text.h"

namespace sentrova {
namespace {

// A name handed to a tool as an argument: not empty, not taken for an option,
// no control characters.
bool SafeName(const std::string& name) {
  if (name.empty() || name[0] == '-') return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> SmbstatusArgv(const SambaSetup& setup) {
  std::vector<std::string> argv;
  if (!setup.IsRoot) {
    argv = {setup.Sudo, "-n"};
  }
  argv.push_back(setup.Smbstatus);
  argv.push_back("--json");
  if (!setup.Options.ConfigFile.empty()) {
    argv.push_back("-s");
    argv.push_back(setup.Options.ConfigFile);
  }
  return argv;
}

std::vector<std::string> SudoProbeArgv(const SambaSetup& setup) {
  std::vector<std::string> argv = {setup.Sudo, "-n", "-l", setup.Smbstatus, "--json"};
  if (!setup.Options.ConfigFile.empty()) {
    argv.push_back("-s");
    argv.push_back(setup.Options.ConfigFile);
  }
  return argv;
}

SambaSetup ProbeSamba(const SambaOptions& options, bool isRoot, bool haveServerList,
                      const std::function<std::string(const std::string&)>& find, ToolRunner& runner) {
  SambaSetup setup;
  setup.Options = options;
  setup.IsRoot = isRoot;
  setup.HaveServerList = haveServerList;
  setup.Smbstatus = find("smbstatus");
  setup.Testparm = find("testparm");
  setup.Smbclient = find("smbclient");
  setup.Rpcclient = find("rpcclient");
  if (!isRoot && !setup.Smbstatus.empty()) {
    setup.Sudo = find("sudo");
    if (!setup.Sudo.empty()) {
      // "sudo -n -l CMD" answers 0 only when CMD may run without a password.
      const ToolResult r = runner.Run(SudoProbeArgv(setup), {}, options.ToolTimeoutMs);
      setup.SmbstatusViaSudo = r.Started && !r.TimedOut && r.ExitCode == 0;
    }
  }
  return setup;
}

SambaNetApi::SambaNetApi(SambaSetup setup, std::unique_ptr<ToolRunner> runner,
                         std::unique_ptr<SmbServerList> serverList)
    : setup_(std::move(setup)), runner_(std::move(runner)), serverList_(std::move(serverList)) {}

bool SambaNetApi::Exports(std::string_view name) const {
  if (name == "NetSessionEnum" || name == "NetConnectionEnum" || name == "NetFileEnum") {
    return setup_.SmbstatusUsable();
  }
  if (name == "NetShareGetInfo") return !setup_.Testparm.empty();
  if (name == "NetMessageBufferSend") return !setup_.Smbclient.empty();
  if (name == "NetServerEnum") return serverList_ != nullptr && !setup_.Rpcclient.empty();
  if (name == "NetApiBufferFree") return true;
  return false;
}

std::string SambaNetApi::MissingDetail() const {
  std::vector<std::string> why;
  if (setup_.Smbstatus.empty()) {
    why.push_back("smbstatus not found (Debian package samba)");
  } else if (!setup_.SmbstatusUsable()) {
    why.push_back("smbstatus runs only as root: run as root or allow it with sudo (see README)");
  }
  if (setup_.Testparm.empty()) why.push_back("testparm not found (samba-common-bin)");
  if (setup_.Smbclient.empty()) why.push_back("smbclient not found (smbclient)");
  if (setup_.Rpcclient.empty()) why.push_back("rpcclient not found (smbclient)");
  if (!serverList_) why.push_back("libsmbclient.so.0 cannot be loaded (libsmbclient)");
  std::string text;
  for (const std::string& w : why) text += (text.empty() ? "" : "; ") + w;
  return text;
}

std::vector<std::string> SambaNetApi::WithClientConfig(std::vector<std::string> argv) const {
  if (!setup_.Options.ClientConfigFile.empty()) {
    argv.push_back("-s");
    argv.push_back(setup_.Options.ClientConfigFile);
  }
  return argv;
}

std::uint32_t SambaNetApi::Status(SmbStatus& status) {
  if (!setup_.SmbstatusUsable()) return kErrorNotSupported;
  const auto now = std::chrono::steady_clock::now();
  if (haveLastStatus_ && now - lastStatusAt_ < std::chrono::milliseconds(setup_.Options.StatusReuseMs)) {
    status = lastStatus_;
    return kNerrSuccess;
  }
  haveLastStatus_ = false;
  const std::uint32_t rc =
      SmbStatusResult(runner_->Run(SmbstatusArgv(setup_), {}, setup_.Options.ToolTimeoutMs), status);
  if (rc == kNerrSuccess) {
    lastStatus_ = status;
    lastStatusAt_ = std::chrono::steady_clock::now();
    haveLastStatus_ = true;
  }
  return rc;
}

// Samba's tools return every record at once; the preferred sizes are no
// limit here, so nothing is ever left over (no 234).
std::uint32_t SambaNetApi::NetSessionEnum(std::vector<SessionInfo10>& out, std::uint32_t) {
  out.clear();
  SmbStatus status;
  const std::uint32_t rc = Status(status);
  if (rc == kNerrSuccess) out = SessionsFromStatus(status);
  return rc;
}

std::uint32_t SambaNetApi::NetConnectionEnum(const std::string& qualifier, std::vector<ConnectionInfo1>& out,
                                             std::uint32_t) {
  out.clear();
  if (qualifier.empty()) return kErrorInvalidParameter;
  SmbStatus status;
  const std::uint32_t rc = Status(status);
  if (rc == kNerrSuccess) out = ConnectionsFromStatus(status, qualifier);
  return rc;
}

std::uint32_t SambaNetApi::NetFileEnum(const std::string& basePath, const std::string& userName,
                                       std::vector<FileInfo3>& out, std::uint32_t) {
  out.clear();
  SmbStatus status;
  const std::uint32_t rc = Status(status);
  if (rc == kNerrSuccess) out = FilesFromStatus(status, basePath, userName);
  return rc;
}

std::uint32_t SambaNetApi::NetShareGetInfo(const std::string& share, ShareInfo2& out) {
  out = ShareInfo2{};
  if (setup_.Testparm.empty()) return kErrorNotSupported;
  if (share.empty() || share.find_first_of("[]\n\r") != std::string::npos) return kErrorInvalidParameter;
  const auto now = std::chrono::steady_clock::now();
  auto cached = sharePaths_.find(share);
  if (cached == sharePaths_.end() ||
      now - cached->second.At >= std::chrono::milliseconds(setup_.Options.SharePathReuseMs)) {
    std::vector<std::string> argv = {setup_.Testparm, "-s", "--section-name=" + share, "--parameter-name=path"};
    if (!setup_.Options.ConfigFile.empty()) argv.push_back(setup_.Options.ConfigFile);
    const ToolResult r = runner_->Run(argv, {}, setup_.Options.ToolTimeoutMs);
    if (!r.Started) return kErrorNotSupported;
    if (r.TimedOut) return kErrorSemTimeout;
    // testparm fails with "Unknown section" for a share that is not there.
    SharePath answer{r.ExitCode == 0 ? kNerrSuccess : kNerrNetNameNotFound, {}, std::chrono::steady_clock::now()};
    if (answer.Code == kNerrSuccess) answer.Path = TestparmValue(r.Out);
    cached = sharePaths_.insert_or_assign(share, std::move(answer)).first;
  }
  if (cached->second.Code != kNerrSuccess) return cached->second.Code;
  out.NetName = share;
  out.Type = share == "IPC$" ? 3u : 0u;
  out.Path = cached->second.Path;
  return kNerrSuccess;
}

std::uint32_t SambaNetApi::NetMessageBufferSend(const std::string& recipient, const std::string& sender,
                                                const std::string& text) {
  if (setup_.Smbclient.empty()) return kErrorNotSupported;
  if (!SafeName(recipient) || !SafeName(sender)) return kErrorInvalidParameter;
  // The sender shown by the receiver is the user name of the message; the
  // text goes out in the Japanese code page, as Windows sends it.
  const std::vector<std::string> argv = WithClientConfig({setup_.Smbclient, "-M", recipient, "-n", sender, "-U",
                                                          sender, "-N", "--option=dos charset=CP932"});
  return MessageSendResult(runner_->Run(argv, text, setup_.Options.ToolTimeoutMs));
}

std::uint32_t SambaNetApi::NetServerEnum(const std::string& domain, std::uint32_t serverType,
                                         std::vector<ServerInfo101>& out) {
  out.clear();
  if (!serverList_ || setup_.Rpcclient.empty()) return kErrorNotSupported;
  std::string workgroup = domain;
  if (workgroup.empty() && !setup_.Testparm.empty()) {
    // This computer's own workgroup.
    std::vector<std::string> argv = {setup_.Testparm, "-s", "--parameter-name=workgroup"};
    if (!setup_.Options.ClientConfigFile.empty()) argv.push_back(setup_.Options.ClientConfigFile);
    const ToolResult r = runner_->Run(argv, {}, setup_.Options.ToolTimeoutMs);
    if (r.Started && !r.TimedOut && r.ExitCode == 0) workgroup = TestparmValue(r.Out);
  }
  if (workgroup.empty()) return kErrorInvalidParameter;

  std::vector<BrowseEntry> entries;
  const int err = serverList_->ListServers(workgroup, entries);
  if (err != 0) {
    switch (err) {
      case ETIMEDOUT: return kErrorSemTimeout;
      case EACCES:
      case EPERM: return kErrorAccessDenied;
      case ENOENT:
      case ENODEV: return kErrorNoBrowserServersFound;
      default: return kErrorBadNetpath;
    }
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(setup_.Options.ServerEnumBudgetMs);
  for (const BrowseEntry& e : entries) {
    ServerInfo101 info;
    info.Name = e.Name;
    info.Comment = e.Comment;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left > 0 && SafeName(e.Name)) {
      const int limit = static_cast<int>(std::min<long long>(left, setup_.Options.ToolTimeoutMs));
      const ToolResult r =
          runner_->Run(WithClientConfig({setup_.Rpcclient, "-U%", "-N", "-c", "srvinfo", e.Name}), {}, limit);
      ServerInfo101 learnt;
      if (r.Started && !r.TimedOut && r.ExitCode == 0 && ParseSrvinfo(r.Out, learnt)) {
        info.PlatformId = learnt.PlatformId;
        info.VersionMajor = learnt.VersionMajor;
        info.VersionMinor = learnt.VersionMinor;
        info.Type = learnt.Type;
      }
    }
    // A computer whose type could not be learnt is kept only when all types
    // were asked for.
    if (serverType == kSvTypeAll || (info.Type & serverType) != 0) out.push_back(std::move(info));
  }
  return kNerrSuccess;
}

std::uint32_t SambaNetApi::NetApiBufferFree(const void*) { return kNerrSuccess; }

}  // namespace sentrova
