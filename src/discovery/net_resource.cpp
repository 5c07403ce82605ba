#include "discovery/net_resource.h"

#include <functional>
#include <vector>

#include "settings/text.h"

namespace sentrova {
namespace {

NetResource ContainerSpec(const std::string& remoteName, std::uint32_t usage, const std::string* provider) {
  NetResource r;
  r.Scope = kScopeGlobalNet;
  r.Type = kTypeAny;
  r.DisplayType = kDisplayNetwork;
  r.Usage = usage;
  r.RemoteName = remoteName;
  if (provider) {
    r.Provider = *provider;
    r.HasProvider = true;
  }
  return r;
}

int OpenErrorResult(int error) { return error == kBrowseBadNetName ? kNotFound : kLookupError; }

// Walks the enumeration until `match` accepts an entry. Returns whether one
// did; the enumeration is closed in every case and a failing close is an
// error.
int Search(std::unique_ptr<BrowseEnumeration> e, const std::function<bool(const NetResource&)>& match) {
  bool found = false;
  std::vector<NetResource> batch;
  while (!found) {
    batch.clear();
    if (e->Next(kBrowseBufferBytes, batch) != kBrowseOk) break;  // 259 or a failure: no match
    if (batch.empty()) break;  // a source that gives nothing would be asked forever
    for (const NetResource& entry : batch) {
      if (match(entry)) {
        found = true;
        break;
      }
    }
  }
  if (e->Close() != kBrowseOk) return kLookupError;
  return found ? kFound : kNotFound;
}

}  // namespace

std::size_t NetResourceBytes(const NetResource& r) {
  constexpr std::size_t kFixed = 32;  // four words and four pointers of the 32-bit record
  return kFixed + r.RemoteName.size() + 1 + r.Comment.size() + 1 + r.Provider.size() + 1;
}

int FindNetResource(BrowseSource& source, const std::string& container, const std::string& provider,
                    const std::string& name, ServerStat& stat) {
  const bool topLevel = stat.KindCode == kKindProvider;
  const NetResource wanted =
      topLevel ? ContainerSpec(container, kUsageReservedContainer, &provider) : ContainerSpec(container, kUsageContainer, nullptr);
  std::unique_ptr<BrowseEnumeration> e;
  const int open = source.Open(kScopeGlobalNet, kTypeAny, 0, wanted, e);
  if (open != kBrowseOk || !e) return OpenErrorResult(open == kBrowseOk ? kLookupError : open);
  return Search(std::move(e), [&](const NetResource& entry) {
    if (TrimLeftChar(entry.RemoteName, '\\') != name) return false;
    std::string foundContainer = container;
    if (entry.DisplayType == kDisplayDomain) {
      if (stat.KindCode == kKindProvider) foundContainer.clear();
      stat.KindCode = kKindDomain;
    } else {
      stat.KindCode = entry.DisplayType == kDisplayNetwork ? kKindProvider : kKindOther;
    }
    stat.Container = foundContainer;
    stat.Comment = entry.Comment;
    stat.Provider = entry.Provider;
    return true;
  });
}

int CheckByBrowse(BrowseSource& source, const std::string& domain, const std::string& provider,
                  const std::string& resource, bool strict) {
  const NetResource wanted =
      ContainerSpec(domain, domain.empty() ? kUsageReservedContainer : kUsageContainer, &provider);
  std::unique_ptr<BrowseEnumeration> e;
  const int open = source.Open(kScopeGlobalNet, kTypeAny, 0, wanted, e);
  if (open != kBrowseOk || !e) return OpenErrorResult(open == kBrowseOk ? kLookupError : open);
  return Search(std::move(e), [&](const NetResource& entry) {
    if (TrimLeftChar(entry.RemoteName, '\\') != resource) return false;
    if (!strict) return true;
    // The strict check: the computer must also let its shares be listed.
    NetResource shares;
    shares.Scope = kScopeConnected;
    shares.Type = kTypeAny;
    shares.DisplayType = kDisplayShare;
    shares.Usage = kUsageConnectable;
    shares.RemoteName = entry.RemoteName;
    std::unique_ptr<BrowseEnumeration> s;
    const int rc = source.Open(kScopeGlobalNet, kTypeAny, 0, shares, s);
    if (s) s->Close();
    return rc == kBrowseOk || rc == kBrowseAccessDenied || rc == kBrowseNotAuthenticated;
  });
}

}  // namespace sentrova
