#include "discovery/net_resource.h"

#include <gtest/gtest.h>

#include "support/fake_browse_source.h"

namespace sentrova {
namespace {

using test::FakeBrowseSource;

TEST(FindNetResource, TopLevelAndMembers) {
  FakeBrowseSource net;
  net.AddWorkgroup("WG", {"PC01"});
  net.lists["WG"].push_back(FakeBrowseSource::Entry(kDisplayServer, "\\\\SRV", "file server"));

  ServerStat top;
  top.KindCode = kKindProvider;
  EXPECT_EQ(FindNetResource(net, "", kSmbProviderName, "WG", top), kFound);
  EXPECT_EQ(top.KindCode, kKindDomain);
  EXPECT_EQ(top.Container, "");
  EXPECT_EQ(top.Provider, kSmbProviderName);

  ServerStat member;
  EXPECT_EQ(FindNetResource(net, "WG", "", "SRV", member), kFound);
  EXPECT_EQ(member.KindCode, kKindOther);
  EXPECT_EQ(member.Container, "WG");
  EXPECT_EQ(member.Comment, "file server");

  ServerStat none;
  EXPECT_EQ(FindNetResource(net, "WG", "", "srv", none), kNotFound);  // letter case matters
  EXPECT_EQ(FindNetResource(net, "NOPE", "", "SRV", none), kNotFound);  // 67 from the open
  net.openErrors["WG"] = kBrowseAccessDenied;
  EXPECT_EQ(FindNetResource(net, "WG", "", "SRV", none), kLookupError);
}

TEST(FindNetResource, LongListsSpanSeveralBuffersAndFailuresEndTheSearch) {
  FakeBrowseSource net;
  std::vector<std::string> many;
  for (int i = 0; i < 2000; ++i) many.push_back("PC" + std::to_string(i));
  net.AddWorkgroup("WG", many);
  ServerStat stat;
  EXPECT_EQ(FindNetResource(net, "WG", "", "PC1999", stat), kFound);
  net.nextError = 1222;  // an enumeration failure: no match, not an error
  EXPECT_EQ(FindNetResource(net, "WG", "", "PC1", stat), kNotFound);
  net.nextError = 0;
  net.closeError = 6;
  EXPECT_EQ(FindNetResource(net, "WG", "", "PC1", stat), kLookupError);
}

TEST(CheckByBrowse, NamesAndTheStrictCheck) {
  FakeBrowseSource net;
  net.AddWorkgroup("WG", {"PC01", "PC02", "PC03"});
  net.shareAnswers["\\\\PC01"] = kBrowseOk;
  net.shareAnswers["\\\\PC02"] = kBrowseAccessDenied;
  net.shareAnswers["\\\\PC03"] = kBrowseBadNetPath;
  struct Case {
    const char* resource;
    bool strict;
    int want;
  } cases[] = {
      {"PC01", false, kFound},    {"pc01", false, kNotFound}, {"PC09", false, kNotFound},
      {"PC01", true, kFound},     {"PC02", true, kFound},     {"PC03", true, kNotFound},
      {"PC03", false, kFound},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckByBrowse(net, "WG", kSmbProviderName, c.resource, c.strict), c.want)
        << c.resource << (c.strict ? " strict" : "");
  }
  EXPECT_EQ(CheckByBrowse(net, "GONE", kSmbProviderName, "PC01", false), kNotFound);
  net.openErrors["WG"] = kBrowseNotAuthenticated;
  EXPECT_EQ(CheckByBrowse(net, "WG", kSmbProviderName, "PC01", false), kLookupError);
}

}  // namespace
}  // namespace sentrova

namespace sentrova {
namespace {

TEST(FindNetResource, AnEntryLargerThanTheBufferEndsTheSearch) {
  test::FakeBrowseSource net;
  net.AddWorkgroup("WG", {std::string(20000, 'X'), "PC01"});
  ServerStat stat;
  EXPECT_EQ(FindNetResource(net, "WG", "", "PC01", stat), kNotFound);  // ends, does not spin
}

}  // namespace
}  // namespace sentrova
