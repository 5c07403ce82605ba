#include "access/net_api.h"

#include <gtest/gtest.h>

#include "support/fake_net_api.h"

namespace sentrova {
namespace {

using test::FakeNetApi9x;
using test::FakeNetApiLoader;
using test::FakeNetApiNT;

bool AnyNT(const NetApiNTSet& s) {
  return s.NetSessionEnum || s.NetConnectionEnum || s.NetMessageBufferSend || s.NetServerEnum ||
         s.NetShareGetInfo || s.NetFileEnum || s.NetApiBufferFree;
}
bool AllNT(const NetApiNTSet& s) {
  return s.NetSessionEnum && s.NetConnectionEnum && s.NetMessageBufferSend && s.NetServerEnum &&
         s.NetShareGetInfo && s.NetFileEnum && s.NetApiBufferFree;
}
bool Any9x(const NetApi9xSet& s) {
  return s.NetSessionEnum || s.NetConnectionEnum || s.NetServerGetInfo || s.NetShareGetInfo || s.NetFileEnum;
}

TEST(NetApiBinding, CompleteNtSetBindsEveryOperationAndCallsTheLibrary) {
  FakeNetApiLoader loader;
  auto lib = std::make_unique<FakeNetApiNT>();
  lib->Sessions = {{"PC01", "taro", 30, 0}};
  loader.NextNT = std::move(lib);
  NetApiBinding net;
  ASSERT_TRUE(BindNetApiNT(net, loader));
  EXPECT_EQ(loader.Asked, std::vector<std::string>{"NETAPI32.DLL"});
  EXPECT_TRUE(net.Attempted);
  EXPECT_TRUE(AllNT(net.NT));
  EXPECT_FALSE(Any9x(net.Ops9x));
  EXPECT_EQ(net.FailureText, "");
  EXPECT_EQ(net.StartupProblems, 0u);
  std::vector<SessionInfo10> sessions;
  EXPECT_EQ(net.NT.NetSessionEnum(sessions, 800), kNerrSuccess);
  ASSERT_EQ(sessions.size(), 1u);
  EXPECT_EQ(sessions[0].UserName, "taro");
}

// One missing operation of either set disables the whole set.
TEST(NetApiBinding, OneMissingOperationDisablesTheWholeSet) {
  for (std::string_view name : kNetApiNTNames) {
    SCOPED_TRACE(std::string(name));
    FakeNetApiLoader loader;
    auto lib = std::make_unique<FakeNetApiNT>();
    lib->Missing.insert(std::string(name));
    loader.NextNT = std::move(lib);
    NetApiBinding net;
    EXPECT_FALSE(BindNetApiNT(net, loader));
    EXPECT_FALSE(AnyNT(net.NT));
    EXPECT_EQ(net.FailureText, "NETAPI32.DLLからアクセス監視用モジュールを取得できませんでした。");
    EXPECT_NE(net.FailureDetail.find(std::string(name)), std::string::npos);
    EXPECT_EQ(net.StartupProblems & kProblemAccessWatch, kProblemAccessWatch);
    EXPECT_TRUE(net.LibraryLoaded());  // the library stays loaded
  }
  for (std::string_view name : kNetApi9xNames) {
    SCOPED_TRACE(std::string(name));
    FakeNetApiLoader loader;
    auto lib = std::make_unique<FakeNetApi9x>();
    lib->Missing.insert(std::string(name));
    loader.Next9x = std::move(lib);
    NetApiBinding net;
    EXPECT_FALSE(BindNetApi9x(net, loader));
    EXPECT_FALSE(Any9x(net.Ops9x));
    EXPECT_EQ(net.FailureText, "SVRAPI.DLLからアクセス監視用モジュールを取得できませんでした。");
    EXPECT_EQ(net.StartupProblems, kProblemAccessWatch);
  }
}

TEST(NetApiBinding, LackingOnlyNetServerEnumLeavesTheMessageSendAbsentToo) {
  FakeNetApiLoader loader;
  auto lib = std::make_unique<FakeNetApiNT>();
  lib->Missing = {"NetServerEnum"};
  loader.NextNT = std::move(lib);
  NetApiBinding net;
  EXPECT_FALSE(BindNetApi(net, loader, 2));
  EXPECT_FALSE(net.NT.NetMessageBufferSend);
  EXPECT_FALSE(AnyNT(net.NT));
}

TEST(NetApiBinding, LibraryThatCannotBeLoaded) {
  struct Case {
    int platform;
    const char* text;
  } cases[] = {{1, "SVRAPI.DLLがロードできませんでした。"}, {2, "NETAPI32.DLLがロードできませんでした。"}};
  for (const Case& c : cases) {
    FakeNetApiLoader loader;  // hands out nothing
    NetApiBinding net;
    net.StartupProblems = kProblemShutdownPrivilege;
    EXPECT_FALSE(BindNetApi(net, loader, c.platform));
    EXPECT_TRUE(net.Attempted);
    EXPECT_FALSE(net.LibraryLoaded());
    EXPECT_EQ(net.FailureText, c.text);
    EXPECT_EQ(net.StartupProblems, kProblemAccessWatch | kProblemShutdownPrivilege);
  }
}

TEST(NetApiBinding, NineXFamilyBindsTheNineXSet) {
  FakeNetApiLoader loader;
  auto lib = std::make_unique<FakeNetApi9x>();
  lib->Sessions = {{"PC95", "hanako", 5, 1}};
  loader.Next9x = std::move(lib);
  NetApiBinding net;
  ASSERT_TRUE(BindNetApi(net, loader, 1));
  EXPECT_EQ(loader.Asked, std::vector<std::string>{"SVRAPI.DLL"});
  EXPECT_FALSE(AnyNT(net.NT));
  std::vector<SessionInfo50> sessions;
  ASSERT_TRUE(net.Ops9x.NetSessionEnum);
  EXPECT_EQ(net.Ops9x.NetSessionEnum(sessions, 1300), kNerrSuccess);
  ASSERT_EQ(sessions.size(), 1u);
  EXPECT_EQ(sessions[0].ClientName, "PC95");
}

TEST(NetApiBinding, OtherFamiliesLoadNothing) {
  for (int platform : {0, 3}) {
    FakeNetApiLoader loader;
    loader.NextNT = std::make_unique<FakeNetApiNT>();
    NetApiBinding net;
    EXPECT_FALSE(BindNetApi(net, loader, platform));
    EXPECT_TRUE(loader.Asked.empty());
    EXPECT_FALSE(net.Attempted);
    EXPECT_EQ(net.FailureText, "");
    EXPECT_EQ(net.StartupProblems, 0u);
    EXPECT_FALSE(AnyNT(net.NT));
  }
}

TEST(NetApiBinding, UnbindReleasesTheLibraryAndEveryOperation) {
  int destroyed = 0;
  FakeNetApiLoader loader;
  auto lib = std::make_unique<FakeNetApiNT>();
  lib->Destroyed = &destroyed;
  loader.NextNT = std::move(lib);
  NetApiBinding net;
  ASSERT_TRUE(BindNetApiNT(net, loader));
  UnbindNetApi(net);
  EXPECT_EQ(destroyed, 1);
  EXPECT_FALSE(net.LibraryLoaded());
  EXPECT_FALSE(AnyNT(net.NT));
  UnbindNetApi(net);  // a second unbind does nothing
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
}  // namespace sentrova
