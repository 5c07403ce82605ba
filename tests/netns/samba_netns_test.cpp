// The Samba provider and the messenger against a real smbd in a network
// namespace, with clients in a second one (root; skipped otherwise).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "access/net_api.h"
#include "netns/netns_lab.h"
#include "notify/messenger.h"
#include "platform/samba_net_api.h"
#include "netns/samba_server.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

using test::HeldClient;
using test::SambaServer;

constexpr const char* kServerName = "SVTESTSRV";
constexpr const char* kWorkgroup = "SVTESTGRP";
constexpr const char* kServerAddress = "10.93.0.1";

// Waits (bounded) until cond holds.
bool WaitFor(const std::function<bool()>& cond, int seconds = 10) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (cond()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return cond();
}

class SambaNetnsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string why = test::NetnsUnavailable(); !why.empty()) GTEST_SKIP() << why;
    if (std::string why = test::SambaUnavailable(); !why.empty()) GTEST_SKIP() << why;
    lab_ = std::make_unique<test::NetnsLab>();
    srv_ = lab_->Add("smbsrv");
    cli_ = lab_->Add("smbcli");
    lab_->Link(srv_, std::string(kServerAddress) + "/24", cli_, "10.93.0.2/24");
    lab_->Hosts(cli_, std::string("127.0.0.1 localhost\n") + kServerAddress + " " + kServerName + "\n");
    // nmbd too: a message goes to the recipient's NetBIOS messenger name.
    server_ = std::make_unique<SambaServer>(
        SambaServer::Options{srv_, kServerAddress, kServerName, kWorkgroup, /*Nmbd=*/true});
    std::string why;
    ASSERT_TRUE(server_->Start(why)) << why;
    clientConfig_ = test::WriteClientConfig(clientDir_, kWorkgroup);

    SambaOptions options;
    options.ConfigFile = server_->ConfigFile();
    options.ClientConfigFile = clientConfig_;
    options.StatusReuseMs = 0;
    loader_ = MakeSambaNetApiLoader(options);
    ASSERT_TRUE(BindNetApiNT(net_, *loader_)) << net_.FailureText << " " << net_.FailureDetail;
  }

  void TearDown() override {
    UnbindNetApi(net_);
    if (!cli_.empty()) test::KillNamespaceProcesses(cli_);
    server_.reset();  // kills everything in the server's namespace
    lab_.reset();
  }

  std::vector<SessionInfo10> Sessions() {
    std::vector<SessionInfo10> sessions;
    EXPECT_EQ(net_.NT.NetSessionEnum(sessions, 800), kNerrSuccess);
    return sessions;
  }
  bool HasSession(const std::string& client) {
    for (const SessionInfo10& s : Sessions()) {
      if (s.ClientName == client) return true;
    }
    return false;
  }

  std::unique_ptr<test::NetnsLab> lab_;
  std::string srv_, cli_;
  std::unique_ptr<SambaServer> server_;
  test::TempDir clientDir_;
  std::string clientConfig_;
  std::unique_ptr<NetApiLoader> loader_;
  NetApiBinding net_;
};

TEST_F(SambaNetnsTest, ClientShowsAsSessionWithShareAndOpenFileUntilItLeaves) {
  // A guest session over NetBIOS (port 139), so the server learns the name
  // WS01; it opens a file and keeps it open.
  auto client = std::make_unique<HeldClient>(
      cli_, std::vector<std::string>{std::string("//") + kServerName + "/pub", "-N", "-p", "139", "-n", "WS01", "-s",
                                     clientConfig_},
      clientDir_.File("ws01.log"));
  ASSERT_TRUE(client->Running());
  client->Command("open sub/report.txt");

  ShareInfo2 share;
  ASSERT_EQ(net_.NT.NetShareGetInfo("pub", share), kNerrSuccess);
  EXPECT_EQ(share.Path, server_->SharePath());
  const std::string file = server_->SharePath() + "/sub/report.txt";
  std::vector<FileInfo3> files;
  auto fileOpen = [&] {
    files.clear();
    return net_.NT.NetFileEnum(share.Path, "nobody", files, 2000) == kNerrSuccess && !files.empty();
  };
  ASSERT_TRUE(WaitFor(fileOpen)) << test::ReadBytes(clientDir_.File("ws01.log")) << server_->Log();
  EXPECT_EQ(files[0].PathName, file);
  EXPECT_EQ(files[0].UserName, "nobody");

  std::vector<SessionInfo10> sessions = Sessions();
  ASSERT_EQ(sessions.size(), 1u);
  EXPECT_EQ(sessions[0].ClientName, "WS01");
  EXPECT_EQ(sessions[0].UserName, "nobody");
  EXPECT_EQ(sessions[0].IdleTime, 0u);

  std::vector<ConnectionInfo1> connections;
  ASSERT_EQ(net_.NT.NetConnectionEnum("\\\\WS01", connections, 1400), kNerrSuccess);
  ASSERT_EQ(connections.size(), 1u);
  EXPECT_EQ(connections[0].NetName, "pub");
  EXPECT_EQ(connections[0].UserName, "nobody");
  // Another user's files under the share are not this connection's.
  EXPECT_EQ(net_.NT.NetFileEnum(share.Path, "someoneelse", files, 2000), kNerrSuccess);
  EXPECT_TRUE(files.empty());

  client->Close();
  EXPECT_TRUE(WaitFor([&] { return !HasSession("WS01"); }));
  EXPECT_EQ(net_.NT.NetFileEnum(share.Path, "", files, 2000), kNerrSuccess);
  EXPECT_TRUE(files.empty());
}

TEST_F(SambaNetnsTest, PopupMessageArrivesWithTheExactText) {
  std::string why;
  ASSERT_TRUE(server_->WaitUntilNamed(cli_, clientConfig_, why)) << why;
  const std::string text = "会議は１０時からです。\r\nﾛｸﾞｲﾝ確認 OK";
  bool sent = false;
  lab_->Run(cli_, [&] { sent = SendMessageNT(net_, "SENDERPC", kServerName, text); });
  EXPECT_TRUE(sent);
  std::string received;
  EXPECT_TRUE(WaitFor([&] { return !(received = server_->ReceivedMessage("SENDERPC")).empty(); }))
      << server_->Log();
  EXPECT_EQ(received, text);
}

TEST_F(SambaNetnsTest, RefusedOrUndeliverableMessageIsAFailure) {
  std::string why;
  ASSERT_TRUE(server_->WaitUntilNamed(cli_, clientConfig_, why)) << why;
  // Without a message command the server refuses messages; smbclient still
  // exits 0.
  server_->AcceptMessages(false);
  bool sent = true;
  lab_->Run(cli_, [&] { sent = SendMessageNT(net_, "SENDERPC", kServerName, "refused"); });
  EXPECT_FALSE(sent);
  // The same server taking messages again: the refusal was the server's.
  server_->AcceptMessages(true);
  lab_->Run(cli_, [&] { sent = SendMessageNT(net_, "SENDERPC", kServerName, "taken"); });
  EXPECT_TRUE(sent);
  EXPECT_TRUE(WaitFor([&] { return server_->ReceivedMessage("SENDERPC") == "taken"; }));
  // Nobody of that name.
  lab_->Run(cli_, [&] { sent = SendMessageNT(net_, "SENDERPC", "NOSUCHPC", "lost"); });
  EXPECT_FALSE(sent);
}

// The workgroup's computers from the browse list of the server's nmbd (the
// local master browser), their platform and type from srvinfo.
TEST_F(SambaNetnsTest, ServerEnumListsTheServerWithItsPlatformAndType) {
  std::vector<ServerInfo101> servers;
  std::uint32_t rc = 0;
  auto listed = [&] {
    lab_->Run(cli_, [&] { rc = net_.NT.NetServerEnum(kWorkgroup, kSvTypeAll, servers); });
    for (const ServerInfo101& s : servers) {
      if (s.Name == kServerName) return true;
    }
    return false;
  };
  // nmbd first wins the browser election, then lists the server.
  ASSERT_TRUE(WaitFor(listed, 90)) << rc;
  const auto it = std::find_if(servers.begin(), servers.end(), [](const auto& s) { return s.Name == kServerName; });
  EXPECT_EQ(it->Comment, "Sentrova test server");
  EXPECT_EQ(it->PlatformId, kPlatformIdNt);
  EXPECT_NE(it->Type & 0x00000002u, 0u);  // SV_TYPE_SERVER
  EXPECT_NE(it->Type & 0x00000800u, 0u);  // SV_TYPE_SERVER_UNIX
  // A workgroup nobody serves has no browse list.
  lab_->Run(cli_, [&] { rc = net_.NT.NetServerEnum("NOSUCHGRP", kSvTypeAll, servers); });
  EXPECT_NE(rc, kNerrSuccess);
  EXPECT_TRUE(servers.empty());
}

}  // namespace
}  // namespace sentrova
