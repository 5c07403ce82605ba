// The SMB browse source without a network: which URL a container asks for,
// how libsmbclient's errors and entries become browse codes and entries,
// batching, and a machine without libsmbclient.
#include <gtest/gtest.h>

#include <cerrno>

#include "discovery/net_resource.h"
#include "platform/smb_browse_linux.h"

namespace sentrova {
namespace {

NetResource Container(const std::string& remote, const char* provider = nullptr) {
  NetResource r;
  r.Scope = kScopeGlobalNet;
  r.DisplayType = kDisplayNetwork;
  r.Usage = kUsageContainer;
  r.RemoteName = remote;
  if (provider) {
    r.Provider = provider;
    r.HasProvider = true;
  }
  return r;
}

TEST(SmbBrowseTarget, ContainersBecomeLevelsAndUrls) {
  struct Case {
    const char* remote;
    const char* provider;  // null: none named
    SmbBrowseLevel level;
    const char* url;
    const char* name;
  };
  const Case cases[] = {
      {"", nullptr, SmbBrowseLevel::kNetwork, "", ""},
      {"", "", SmbBrowseLevel::kNetwork, "", ""},  // an empty provider names none
      {"", kSmbProviderName, SmbBrowseLevel::kWorkgroups, "smb://", ""},
      {kSmbProviderName, kSmbProviderName, SmbBrowseLevel::kWorkgroups, "smb://", ""},
      {kSmbProviderName, nullptr, SmbBrowseLevel::kWorkgroups, "smb://", ""},
      {"SVTESTWG", nullptr, SmbBrowseLevel::kWorkgroup, "smb://SVTESTWG/", "SVTESTWG"},
      {"SVTESTWG", kSmbProviderName, SmbBrowseLevel::kWorkgroup, "smb://SVTESTWG/", "SVTESTWG"},
      {"MY GROUP", nullptr, SmbBrowseLevel::kWorkgroup, "smb://MY%20GROUP/", "MY GROUP"},
      {"経理", nullptr, SmbBrowseLevel::kWorkgroup, "smb://%E7%B5%8C%E7%90%86/", "経理"},
      {"\\\\PC01", nullptr, SmbBrowseLevel::kComputer, "smb://PC01/", "PC01"},
      {"\\PC-01", kSmbProviderName, SmbBrowseLevel::kComputer, "smb://PC-01/", "PC-01"},
      {"\\\\PC#1", nullptr, SmbBrowseLevel::kComputer, "smb://PC%231/", "PC#1"},
      // Not containers of this provider.
      {"", "Web Client Network", SmbBrowseLevel::kNone, "", ""},
      {"SVTESTWG", "Web Client Network", SmbBrowseLevel::kNone, "", ""},
      {"\\\\PC01\\pub", nullptr, SmbBrowseLevel::kNone, "", ""},
      {"\\\\", nullptr, SmbBrowseLevel::kNone, "", ""},
      {"A/B", nullptr, SmbBrowseLevel::kNone, "", ""},
      {"A\\B", nullptr, SmbBrowseLevel::kNone, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.remote) + " / " + (c.provider ? c.provider : "(none)"));
    const SmbBrowseTarget t = SmbBrowseTargetOf(Container(c.remote, c.provider));
    EXPECT_EQ(t.Level, c.level);
    EXPECT_EQ(t.Url, c.url);
    EXPECT_EQ(t.Name, c.name);
  }
}

TEST(SmbBrowseErrors, ErrnoBecomesTheCodeOfTheLevel) {
  struct Case {
    int err;
    int container;  // a workgroup list (or the top level)
    int computer;   // a computer's share list
  };
  const Case cases[] = {
      {0, kBrowseOk, kBrowseOk},
      {ENOENT, kBrowseBadNetName, kBrowseBadNetPath},
      {ECONNREFUSED, kBrowseBadNetName, kBrowseBadNetPath},  // libsmbclient: no such workgroup or computer
      {EHOSTUNREACH, kBrowseBadNetName, kBrowseBadNetPath},
      {ENETUNREACH, kBrowseBadNetName, kBrowseBadNetPath},
      {ENODEV, kBrowseBadNetName, kBrowseBadNetPath},
      {EHOSTDOWN, kBrowseBadNetName, kBrowseBadNetPath},
      {ETIMEDOUT, kBrowseTimeout, kBrowseBadNetPath},
      {EACCES, kBrowseAccessDenied, kBrowseAccessDenied},
      {EPERM, kBrowseAccessDenied, kBrowseAccessDenied},
      {ENOMEM, kBrowseNotEnoughMemory, kBrowseNotEnoughMemory},
      {EIO, kBrowseUnexpectedNetError, kBrowseUnexpectedNetError},
      {EINVAL, kBrowseUnexpectedNetError, kBrowseUnexpectedNetError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.err);
    EXPECT_EQ(SmbOpenErrorCode(c.err, SmbBrowseLevel::kWorkgroups), c.container);
    EXPECT_EQ(SmbOpenErrorCode(c.err, SmbBrowseLevel::kWorkgroup), c.container);
    EXPECT_EQ(SmbOpenErrorCode(c.err, SmbBrowseLevel::kComputer), c.computer);
  }
}

TEST(SmbBrowseEntries, ListingEntriesBecomeBrowseEntries) {
  struct Case {
    unsigned type;
    const char* name;
    const char* comment;
    bool shown;
    const char* remote;
    std::uint32_t resourceType, display, usage;
  };
  const Case cases[] = {
      {kSmbcWorkgroup, "SVTESTWG", "SVTESTSRV", true, "SVTESTWG", kTypeAny, kDisplayDomain, kUsageContainer},
      {kSmbcServer, "SVTESTSRV", "Test server", true, "\\\\SVTESTSRV", kTypeAny, kDisplayServer, kUsageContainer},
      {kSmbcFileShare, "pub", "Public", true, "\\\\PC01\\pub", kTypeDisk, kDisplayShare, kUsageConnectable},
      {kSmbcPrinterShare, "lp", "", true, "\\\\PC01\\lp", kTypePrint, kDisplayShare, kUsageConnectable},
      {kSmbcFileShare, "C$", "Default share", false, "", 0, 0, 0},
      {kSmbcIpcShare, "IPC$", "IPC Service", false, "", 0, 0, 0},
      {kSmbcCommsShare, "COM1", "", false, "", 0, 0, 0},
      {kSmbcDir, "docs", "", false, "", 0, 0, 0},
      {kSmbcFile, "a.txt", "", false, "", 0, 0, 0},
      {kSmbcLink, "l", "", false, "", 0, 0, 0},
      {kSmbcServer, "", "", false, "", 0, 0, 0},
      {42, "X", "", false, "", 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + " " + c.name);
    NetResource r;
    r.RemoteName = "untouched";
    ASSERT_EQ(SmbEntryToNetResource(c.type, c.name, c.comment, "PC01", r), c.shown);
    if (!c.shown) {
      EXPECT_EQ(r.RemoteName, "untouched");
      continue;
    }
    EXPECT_EQ(r.Scope, kScopeGlobalNet);
    EXPECT_EQ(r.Type, c.resourceType);
    EXPECT_EQ(r.DisplayType, c.display);
    EXPECT_EQ(r.Usage, c.usage);
    EXPECT_EQ(r.RemoteName, c.remote);
    EXPECT_EQ(r.Comment, c.comment);
    EXPECT_EQ(r.Provider, kSmbProviderName);
    EXPECT_TRUE(r.HasProvider);
  }
  const NetResource provider = SmbProviderEntry();
  EXPECT_EQ(provider.DisplayType, kDisplayNetwork);
  EXPECT_EQ(provider.RemoteName, kSmbProviderName);
  EXPECT_EQ(provider.Provider, kSmbProviderName);
}

NetResource Named(const std::string& name, std::size_t commentBytes = 0) {
  NetResource r;
  r.RemoteName = name;
  r.Comment = std::string(commentBytes, 'c');
  r.Provider = kSmbProviderName;
  r.HasProvider = true;
  return r;
}

TEST(SmbBrowseEnumeration, BatchesFitTheBufferAndEndWith259) {
  // 300 computers of about 100 bytes each: more than one 16384-byte buffer.
  std::vector<NetResource> all;
  for (int i = 0; i < 300; ++i) all.push_back(Named("\\\\PC" + std::to_string(i), 30));
  auto e = MakeListedEnumeration(all);
  std::vector<std::string> seen;
  int batches = 0;
  for (;;) {
    std::vector<NetResource> batch;
    const int rc = e->Next(kBrowseBufferBytes, batch);
    if (rc == kBrowseNoMoreItems) break;
    ASSERT_EQ(rc, kBrowseOk);
    ++batches;
    std::size_t bytes = 0;
    for (const NetResource& r : batch) {
      bytes += NetResourceBytes(r);
      seen.push_back(r.RemoteName);
    }
    EXPECT_LE(bytes, kBrowseBufferBytes);
    // A batch stops only where the next entry would not fit.
    if (seen.size() < all.size()) {
      EXPECT_GT(bytes + NetResourceBytes(all[seen.size()]), kBrowseBufferBytes);
    }
  }
  EXPECT_GE(batches, 2);
  ASSERT_EQ(seen.size(), all.size());
  for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(seen[i], all[i].RemoteName);
  std::vector<NetResource> more;
  EXPECT_EQ(e->Next(kBrowseBufferBytes, more), kBrowseNoMoreItems);
  EXPECT_EQ(e->Close(), kBrowseOk);
}

TEST(SmbBrowseEnumeration, AnEntryLargerThanTheBufferEndsTheEnumeration) {
  auto e = MakeListedEnumeration({Named("\\\\A"), Named("\\\\HUGE", 200), Named("\\\\B")});
  std::vector<NetResource> batch;
  EXPECT_EQ(e->Next(100, batch), kBrowseOk);
  ASSERT_EQ(batch.size(), 1u);
  batch.clear();
  // Asked again and again it would never move on: an error, so a search
  // over it ends instead of looping.
  EXPECT_EQ(e->Next(100, batch), kBrowseMoreData);
  EXPECT_TRUE(batch.empty());
  EXPECT_EQ(MakeListedEnumeration({})->Next(kBrowseBufferBytes, batch), kBrowseNoMoreItems);
}

TEST(SmbBrowseSource, WithoutTheLibraryEveryOpenFails) {
  SmbBrowseSource::Options options;
  options.LibraryName = "libsentrova-no-such-library.so.0";
  SmbBrowseSource source(options);
  const NetResource containers[] = {Container(""), Container("", kSmbProviderName), Container("SVTESTWG"),
                                    Container("\\\\PC01")};
  for (const NetResource& c : containers) {
    SCOPED_TRACE(c.RemoteName);
    std::unique_ptr<BrowseEnumeration> e;
    EXPECT_EQ(source.Open(kScopeGlobalNet, kTypeAny, 0, c, e), kBrowseNoNetwork);
    EXPECT_FALSE(e);
  }
  // Another provider's container is not this provider's to open.
  std::unique_ptr<BrowseEnumeration> e;
  EXPECT_EQ(source.Open(kScopeGlobalNet, kTypeAny, 0, Container("", "Web Client Network"), e), kBrowseBadNetName);
  // The checks see errors: the domain is not visible, the lookup fails.
  ServerStat stat;
  stat.KindCode = kKindProvider;
  EXPECT_EQ(FindNetResource(source, "", kSmbProviderName, "SVTESTWG", stat), kLookupError);
  EXPECT_EQ(CheckByBrowse(source, "SVTESTWG", kSmbProviderName, "PC01", true), kLookupError);
}

}  // namespace
}  // namespace sentrova
