// The Samba provider's Linux side: libsmbclient loaded with dlopen for the
// browse list, the tools found on the PATH, and the loader.
#include <libsmbclient.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <mutex>

#include "platform/samba_net_api.h"
#include "platform/smb_browse_linux.h"
#include "platform/smbclient_library.h"

namespace sentrova {
namespace {

class LibSmbServerList : public SmbServerList {
 public:
  LibSmbServerList(std::unique_ptr<SmbClientLibrary> lib, std::string configFile, int timeoutMs)
      : lib_(std::move(lib)), configFile_(std::move(configFile)), timeoutMs_(timeoutMs) {}

  int ListServers(const std::string& workgroup, std::vector<BrowseEntry>& out) override {
    out.clear();
    // The library's settings are the whole process's: one request at a time.
    std::lock_guard<std::mutex> lock(SmbClientLibrary::ProcessLock());
    SMBCCTX* ctx = lib_->smbc_new_context();
    if (!ctx) return ENOMEM;
    lib_->smbc_setDebug(ctx, 0);
    if (lib_->smbc_setLogCallback) lib_->smbc_setLogCallback(ctx, nullptr, SmbDiscardLog);
    lib_->smbc_setTimeout(ctx, timeoutMs_);
    lib_->smbc_setFunctionAuthData(ctx, SmbAnonymousAuth);
    if (!configFile_.empty()) lib_->smbc_setConfiguration(ctx, configFile_.c_str());
    // Workgroup member lists come from the browse service (RAP), which
    // answers only over SMB1: a newer dialect would give an empty list.
    lib_->smbc_setOptionProtocols(ctx, "NT1", "NT1");
    if (!lib_->smbc_init_context(ctx)) {
      const int err = errno ? errno : EIO;
      lib_->smbc_free_context(ctx, 1);
      return err;
    }
    const std::string url = "smb://" + SmbUrlEscape(workgroup) + "/";
    errno = 0;
    SMBCFILE* dir = lib_->smbc_getFunctionOpendir(ctx)(ctx, url.c_str());
    int err = 0;
    if (!dir) {
      err = errno ? errno : ENOENT;
    } else {
      while (struct smbc_dirent* e = lib_->smbc_getFunctionReaddir(ctx)(ctx, dir)) {
        if (e->smbc_type != SMBC_SERVER) continue;
        BrowseEntry entry;
        entry.Name = e->name;
        if (e->comment) entry.Comment = e->comment;
        out.push_back(std::move(entry));
      }
      lib_->smbc_getFunctionClosedir(ctx)(ctx, dir);
    }
    lib_->smbc_free_context(ctx, 1);
    return err;
  }

 private:
  std::unique_ptr<SmbClientLibrary> lib_;
  std::string configFile_;
  int timeoutMs_;
};

class SambaNetApiLoader : public NetApiLoader {
 public:
  explicit SambaNetApiLoader(SambaOptions options) : options_(std::move(options)) {}

  std::unique_ptr<NetApi9xLibrary> Load9x(const std::string&) override { return nullptr; }

  std::unique_ptr<NetApiNTLibrary> LoadNT(const std::string& libraryName) override {
    if (libraryName != kLibraryNT) return nullptr;
    std::unique_ptr<SmbServerList> serverList;
    if (auto lib = SmbClientLibrary::Open()) {
      serverList = std::make_unique<LibSmbServerList>(std::move(lib), options_.ClientConfigFile, options_.ToolTimeoutMs);
    }
    std::string searchPath = options_.SearchPath;
    if (searchPath.empty()) {
      const char* env = std::getenv("PATH");
      searchPath = env && *env ? env : "/usr/local/bin:/usr/bin:/bin:/usr/local/sbin:/usr/sbin:/sbin";
    }
    auto runner = std::make_unique<ProcessToolRunner>();
    SambaSetup setup = ProbeSamba(
        options_, ::geteuid() == 0, serverList != nullptr,
        [&](const std::string& name) { return FindOnPath(name, searchPath); }, *runner);
    if (!setup.AnythingInstalled()) return nullptr;
    return std::make_unique<SambaNetApi>(std::move(setup), std::move(runner), std::move(serverList));
  }

 private:
  SambaOptions options_;
};

}  // namespace

std::unique_ptr<NetApiLoader> MakeSambaNetApiLoader(SambaOptions options) {
  return std::make_unique<SambaNetApiLoader>(std::move(options));
}

}  // namespace sentrova
