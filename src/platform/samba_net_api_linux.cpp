// The Samba provider's Linux side: libsmbclient loaded with dlopen for the
// browse list, the tools found on the PATH, and the loader.
#include <dlfcn.h>
#include <libsmbclient.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/samba_net_api.h"

namespace sentrova {
namespace {

#define SENTROVA_SMBC_FUNCTIONS(X)      \
  X(smbc_new_context)                   \
  X(smbc_init_context)                  \
  X(smbc_free_context)                  \
  X(smbc_setTimeout)                    \
  X(smbc_setDebug)                      \
  X(smbc_setConfiguration)              \
  X(smbc_setOptionProtocols)            \
  X(smbc_setFunctionAuthData)           \
  X(smbc_getFunctionOpendir)            \
  X(smbc_getFunctionReaddir)            \
  X(smbc_getFunctionClosedir)

// libsmbclient.so.0, with the few functions the browse list needs.
class LibSmbClient {
 public:
  static std::unique_ptr<LibSmbClient> Open() {
    // Samba's libraries keep global state of their own: once loaded, the
    // library stays for the life of the process.
    void* handle = ::dlopen("libsmbclient.so.0", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) return nullptr;
    std::unique_ptr<LibSmbClient> lib(new LibSmbClient(handle));
#define SENTROVA_SMBC_LOOKUP(name)                                             \
  lib->name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name)); \
  if (!lib->name) return nullptr;
    SENTROVA_SMBC_FUNCTIONS(SENTROVA_SMBC_LOOKUP)
#undef SENTROVA_SMBC_LOOKUP
    return lib;
  }
  ~LibSmbClient() { ::dlclose(handle_); }
  LibSmbClient(const LibSmbClient&) = delete;
  LibSmbClient& operator=(const LibSmbClient&) = delete;

#define SENTROVA_SMBC_MEMBER(name) decltype(&::name) name = nullptr;
  SENTROVA_SMBC_FUNCTIONS(SENTROVA_SMBC_MEMBER)
#undef SENTROVA_SMBC_MEMBER

 private:
  explicit LibSmbClient(void* handle) : handle_(handle) {}
  void* handle_;
};

// Browsing asks anonymously.
void AnonymousAuth(const char*, const char*, char* workgroup, int, char* user, int, char* password, int) {
  (void)workgroup;
  if (user) user[0] = '\0';
  if (password) password[0] = '\0';
}

std::string UrlEscape(const std::string& s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        c == '.' || c == '~' || c == '$') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

class LibSmbServerList : public SmbServerList {
 public:
  LibSmbServerList(std::unique_ptr<LibSmbClient> lib, std::string configFile, int timeoutMs)
      : lib_(std::move(lib)), configFile_(std::move(configFile)), timeoutMs_(timeoutMs) {}

  int ListServers(const std::string& workgroup, std::vector<BrowseEntry>& out) override {
    out.clear();
    SMBCCTX* ctx = lib_->smbc_new_context();
    if (!ctx) return ENOMEM;
    lib_->smbc_setDebug(ctx, 0);
    lib_->smbc_setTimeout(ctx, timeoutMs_);
    lib_->smbc_setFunctionAuthData(ctx, AnonymousAuth);
    if (!configFile_.empty()) lib_->smbc_setConfiguration(ctx, configFile_.c_str());
    // Workgroup member lists come from the browse service (RAP), which
    // answers only over SMB1: a newer dialect would give an empty list.
    lib_->smbc_setOptionProtocols(ctx, "NT1", "NT1");
    if (!lib_->smbc_init_context(ctx)) {
      const int err = errno ? errno : EIO;
      lib_->smbc_free_context(ctx, 1);
      return err;
    }
    const std::string url = "smb://" + UrlEscape(workgroup) + "/";
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
  std::unique_ptr<LibSmbClient> lib_;
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
    if (auto lib = LibSmbClient::Open()) {
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
