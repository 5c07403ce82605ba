#include "platform/smb_browse_linux.h"

#include <cerrno>
#include <utility>
#include <vector>

#include "platform/smbclient_library.h"
#include "settings/text.h"

namespace sentrova {
namespace {

static_assert(kSmbcWorkgroup == SMBC_WORKGROUP && kSmbcServer == SMBC_SERVER && kSmbcFileShare == SMBC_FILE_SHARE &&
              kSmbcPrinterShare == SMBC_PRINTER_SHARE && kSmbcCommsShare == SMBC_COMMS_SHARE &&
              kSmbcIpcShare == SMBC_IPC_SHARE && kSmbcDir == SMBC_DIR && kSmbcFile == SMBC_FILE &&
              kSmbcLink == SMBC_LINK);

bool HasBackslashOrSlash(std::string_view s) { return s.find_first_of("\\/") != std::string_view::npos; }

// The entries of an open container, read whole when it was opened and
// handed out in batches that fit the caller's buffer.
class ListedEnumeration : public BrowseEnumeration {
 public:
  explicit ListedEnumeration(std::vector<NetResource> entries) : entries_(std::move(entries)) {}

  int Next(std::size_t bufferBytes, std::vector<NetResource>& out) override {
    if (at_ >= entries_.size()) return kBrowseNoMoreItems;
    std::size_t used = 0;
    const std::size_t first = at_;
    while (at_ < entries_.size() && used + NetResourceBytes(entries_[at_]) <= bufferBytes) {
      used += NetResourceBytes(entries_[at_]);
      out.push_back(entries_[at_++]);
    }
    return at_ == first ? kBrowseMoreData : kBrowseOk;
  }
  int Close() override { return kBrowseOk; }

 private:
  std::vector<NetResource> entries_;
  std::size_t at_ = 0;
};

}  // namespace

std::unique_ptr<BrowseEnumeration> MakeListedEnumeration(std::vector<NetResource> entries) {
  return std::make_unique<ListedEnumeration>(std::move(entries));
}

SmbBrowseTarget SmbBrowseTargetOf(const NetResource& container) {
  SmbBrowseTarget t;
  const bool provided = container.HasProvider && !container.Provider.empty();
  if (provided && container.Provider != kSmbProviderName) return t;
  const std::string& remote = container.RemoteName;
  if (remote.empty()) {
    t.Level = provided ? SmbBrowseLevel::kWorkgroups : SmbBrowseLevel::kNetwork;
  } else if (remote == kSmbProviderName) {
    t.Level = SmbBrowseLevel::kWorkgroups;
  } else if (remote[0] == '\\') {
    t.Name = TrimLeftChar(remote, '\\');
    if (t.Name.empty() || HasBackslashOrSlash(t.Name)) return {};
    t.Level = SmbBrowseLevel::kComputer;
  } else {
    if (HasBackslashOrSlash(remote)) return t;
    t.Name = remote;
    t.Level = SmbBrowseLevel::kWorkgroup;
  }
  if (t.Level == SmbBrowseLevel::kWorkgroups) t.Url = "smb://";
  if (!t.Name.empty()) t.Url = "smb://" + SmbUrlEscape(t.Name) + "/";
  return t;
}

std::string SmbUrlEscape(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '_' || c == '.' || c == '~' || c == '$';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

int SmbOpenErrorCode(int err, SmbBrowseLevel level) {
  const bool computer = level == SmbBrowseLevel::kComputer;
  switch (err) {
    case 0:
      return kBrowseOk;
    case EACCES:
    case EPERM:
      return kBrowseAccessDenied;
    // Names that resolve to nothing, and hosts that do not answer or take
    // no connection: the workgroup does not exist, or the computer cannot
    // be reached.
    case ENOENT:
    case ENODEV:
    case ECONNREFUSED:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
      return computer ? kBrowseBadNetPath : kBrowseBadNetName;
    case ETIMEDOUT:
      return computer ? kBrowseBadNetPath : kBrowseTimeout;
    case ENOMEM:
      return kBrowseNotEnoughMemory;
    default:
      return kBrowseUnexpectedNetError;
  }
}

bool SmbEntryToNetResource(unsigned smbcType, const std::string& name, const std::string& comment,
                           const std::string& computer, NetResource& out) {
  NetResource r;
  r.Scope = kScopeGlobalNet;
  r.Comment = comment;
  r.Provider = kSmbProviderName;
  r.HasProvider = true;
  switch (smbcType) {
    case kSmbcWorkgroup:
      r.Type = kTypeAny;
      r.DisplayType = kDisplayDomain;
      r.Usage = kUsageContainer;
      r.RemoteName = name;
      break;
    case kSmbcServer:
      r.Type = kTypeAny;
      r.DisplayType = kDisplayServer;
      r.Usage = kUsageContainer;
      r.RemoteName = "\\\\" + name;
      break;
    case kSmbcFileShare:
    case kSmbcPrinterShare:
      if (!name.empty() && name.back() == '$') return false;  // hidden shares are not listed
      r.Type = smbcType == kSmbcFileShare ? kTypeDisk : kTypePrint;
      r.DisplayType = kDisplayShare;
      r.Usage = kUsageConnectable;
      r.RemoteName = "\\\\" + computer + "\\" + name;
      break;
    default:
      return false;
  }
  if (name.empty()) return false;
  out = std::move(r);
  return true;
}

NetResource SmbProviderEntry() {
  NetResource r;
  r.Scope = kScopeGlobalNet;
  r.Type = kTypeAny;
  r.DisplayType = kDisplayNetwork;
  r.Usage = kUsageReservedContainer;
  r.RemoteName = kSmbProviderName;
  r.Provider = kSmbProviderName;
  r.HasProvider = true;
  return r;
}

// The library and its two contexts: one for the browse lists, which only
// SMB1 serves (RAP NetServerEnum2 from the master browser), and one for share
// lists, which may use any dialect. Each context keeps its own connections,
// so a connection made for one kind of list is never reused for the other.
struct SmbBrowseSource::Library {
  std::unique_ptr<SmbClientLibrary> smbc;
  SMBCCTX* lists = nullptr;
  SMBCCTX* shares = nullptr;

  ~Library() {
    if (lists) smbc->smbc_free_context(lists, 1);
    if (shares) smbc->smbc_free_context(shares, 1);
  }
};

SmbBrowseSource::SmbBrowseSource() : SmbBrowseSource(Options{}) {}
SmbBrowseSource::SmbBrowseSource(Options options) : options_(std::move(options)) {}

SmbBrowseSource::~SmbBrowseSource() {
  std::lock_guard lock(SmbClientLibrary::ProcessLock());
  lib_.reset();
}

int SmbBrowseSource::Open(std::uint32_t, std::uint32_t, std::uint32_t, const NetResource& container,
                          std::unique_ptr<BrowseEnumeration>& out) {
  out.reset();
  const SmbBrowseTarget target = SmbBrowseTargetOf(container);
  std::vector<NetResource> entries;
  const int rc = List(target, entries);
  if (rc != kBrowseOk) return rc;
  out = MakeListedEnumeration(std::move(entries));
  return kBrowseOk;
}

namespace {

SMBCCTX* NewContext(SmbClientLibrary& smbc, const SmbBrowseSource::Options& o) {
  SMBCCTX* ctx = smbc.smbc_new_context();
  if (!ctx) return nullptr;
  if (o.DebugLevel > 0) {
    if (smbc.smbc_setOptionDebugToStderr) smbc.smbc_setOptionDebugToStderr(ctx, 1);
  } else if (smbc.smbc_setLogCallback) {
    smbc.smbc_setLogCallback(ctx, nullptr, SmbDiscardLog);
  }
  smbc.smbc_setDebug(ctx, o.DebugLevel);
  smbc.smbc_setTimeout(ctx, o.TimeoutMs);
  smbc.smbc_setFunctionAuthData(ctx, SmbAnonymousAuth);
  if ((!o.ConfigFile.empty() && smbc.smbc_setConfiguration(ctx, o.ConfigFile.c_str()) != 0) ||
      !smbc.smbc_init_context(ctx)) {
    smbc.smbc_free_context(ctx, 1);
    return nullptr;
  }
  return ctx;
}

}  // namespace

int SmbBrowseSource::List(const SmbBrowseTarget& target, std::vector<NetResource>& entries) {
  if (target.Level == SmbBrowseLevel::kNone) return kBrowseBadNetName;
  std::lock_guard lock(SmbClientLibrary::ProcessLock());
  if (!lib_ && !tried_) {
    tried_ = true;
    if (auto smbc = SmbClientLibrary::Open(options_.LibraryName)) {
      lib_ = std::make_unique<Library>();
      lib_->smbc = std::move(smbc);
    }
  }
  if (!lib_) return kBrowseNoNetwork;
  if (target.Level == SmbBrowseLevel::kNetwork) {
    entries.push_back(SmbProviderEntry());
    return kBrowseOk;
  }
  SmbClientLibrary& smbc = *lib_->smbc;
  const bool shareList = target.Level == SmbBrowseLevel::kComputer;
  SMBCCTX*& ctx = shareList ? lib_->shares : lib_->lists;
  if (!ctx) ctx = NewContext(smbc, options_);
  if (!ctx) return kBrowseNoNetwork;
  // The dialects are one setting of the whole library: set them for the
  // kind of list at hand before each request.
  if (shareList) {
    smbc.smbc_setOptionProtocols(ctx, "NT1", "SMB3");
  } else {
    smbc.smbc_setOptionProtocols(ctx, "NT1", "NT1");
  }

  errno = 0;
  SMBCFILE* dir = smbc.smbc_getFunctionOpendir(ctx)(ctx, target.Url.c_str());
  if (!dir) return SmbOpenErrorCode(errno ? errno : EIO, target.Level);
  while (const smbc_dirent* e = smbc.smbc_getFunctionReaddir(ctx)(ctx, dir)) {
    NetResource r;
    const std::string comment = e->comment ? std::string(e->comment) : std::string();
    if (SmbEntryToNetResource(e->smbc_type, e->name, comment, target.Name, r)) entries.push_back(std::move(r));
  }
  smbc.smbc_getFunctionClosedir(ctx)(ctx, dir);
  return kBrowseOk;
}

}  // namespace sentrova
