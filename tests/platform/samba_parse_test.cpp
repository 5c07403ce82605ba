#include "platform/samba_parse.h"

#include <gtest/gtest.h>

#include "settings/text_file.h"

namespace sentrova {
namespace {

std::string Data(const std::string& name) {
  std::string bytes;
  EXPECT_TRUE(ReadWholeFile(std::string(SENTROVA_TEST_DATA) + "/samba/" + name, bytes)) << name;
  return bytes;
}

SmbStatus Status(const std::string& name) {
  SmbStatus status;
  EXPECT_TRUE(ParseSmbStatusJson(Data(name), status)) << name;
  return status;
}

TEST(ParseIsoTime, FormsSmbstatusWrites) {
  std::int64_t t = 0;
  ASSERT_TRUE(ParseIsoTime("2026-12-11T10:51:16.135627+0000", t));
  EXPECT_EQ(t, 1796986276);
  std::int64_t u = 0;
  ASSERT_TRUE(ParseIsoTime("2026-12-11T10:51:16.9+00:00", u));
  EXPECT_EQ(u, t);
  ASSERT_TRUE(ParseIsoTime("2026-12-11T19:51:16+09:00", u));
  EXPECT_EQ(u, t);
  ASSERT_TRUE(ParseIsoTime("1970-01-01T00:00:00Z", u));
  EXPECT_EQ(u, 0);
  for (const char* bad : {"", "2026-12-11", "2026-13-11T10:51:16+0000", "2026-12-11T10:51:16+9", "x026-12-11T10:51:16"}) {
    EXPECT_FALSE(ParseIsoTime(bad, u)) << bad;
  }
}

// Recorded from a real smbd: three sessions to [pub] (an SMB3 client seen by
// address, an SMB1 guest by address, an SMB1 guest that gave the NetBIOS name
// CLIPC03), each with sub/foo.txt open.
TEST(SmbStatus, SessionsWithConnectedSecondsFromTheFirstTreeConnect) {
  const std::vector<SessionInfo10> s = SessionsFromStatus(Status("smbstatus_three_sessions.json"));
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].ClientName, "10.77.0.2");
  EXPECT_EQ(s[0].UserName, "root");
  EXPECT_EQ(s[0].Time, 18u);
  EXPECT_EQ(s[1].UserName, "nobody");
  EXPECT_EQ(s[1].Time, 12u);
  EXPECT_EQ(s[2].ClientName, "CLIPC03");  // NetBIOS names in upper case
  EXPECT_EQ(s[2].Time, 3u);
  for (const SessionInfo10& x : s) EXPECT_EQ(x.IdleTime, 0u);
}

TEST(SmbStatus, SessionWithoutTreeConnectHasNoConnectedTime) {
  SmbStatus status;
  ASSERT_TRUE(ParseSmbStatusJson(R"({"timestamp": "2026-12-11T10:00:00+0000", "sessions": {"7": {"session_id": "7",
      "server_id": {"pid": "9"}, "uid": 1000, "username": "taro", "remote_machine": "pc-01"}}, "tcons": {}})",
                                 status));
  const std::vector<SessionInfo10> s = SessionsFromStatus(status);
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0].ClientName, "PC-01");
  EXPECT_EQ(s[0].Time, 0u);
}

// Recorded: WS01 (root) on [pub] with sub/foo.txt open, WS02 (guest) on
// [docs] with readme.txt open, and an rpcclient by address on IPC$.
TEST(SmbStatus, ConnectionsOfOneClientWithTheirUser) {
  const SmbStatus status = Status("smbstatus_shares_files.json");
  std::vector<ConnectionInfo1> c = ConnectionsFromStatus(status, "\\\\WS01");
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].NetName, "pub");
  EXPECT_EQ(c[0].UserName, "root");
  EXPECT_EQ(c[0].Type, 0u);
  EXPECT_EQ(c[0].Time, 4u);
  c = ConnectionsFromStatus(status, "\\\\ws02");  // NetBIOS names ignore case
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].NetName, "docs");
  EXPECT_EQ(c[0].UserName, "nobody");
  c = ConnectionsFromStatus(status, "\\\\10.77.0.2");
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].NetName, "IPC$");
  EXPECT_EQ(c[0].Type, 3u);
  EXPECT_TRUE(ConnectionsFromStatus(status, "\\\\WS03").empty());
  // Asked by share: the clients connected to it.
  c = ConnectionsFromStatus(status, "docs");
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].NetName, "WS02");
}

TEST(SmbStatus, OpenFilesUnderASharePathForAUser) {
  const SmbStatus status = Status("smbstatus_shares_files.json");
  std::vector<FileInfo3> f = FilesFromStatus(status, "/tmp/svlab/share", "root");
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].PathName, "/tmp/svlab/share/sub/foo.txt");
  EXPECT_EQ(f[0].UserName, "root");
  EXPECT_EQ(f[0].Permissions, 3u);
  EXPECT_TRUE(FilesFromStatus(status, "/tmp/svlab/share", "nobody").empty());
  f = FilesFromStatus(status, "/tmp/svlab/docs/", "NOBODY");
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].PathName, "/tmp/svlab/docs/readme.txt");
  EXPECT_EQ(f[0].Permissions, 1u);
  // A path that only begins like the base path is not under it.
  EXPECT_TRUE(FilesFromStatus(status, "/tmp/svlab/doc", "").empty());
  EXPECT_EQ(FilesFromStatus(status, "", "").size(), 2u);
}

TEST(SmbStatus, OpenBelongsToTheSessionOfItsProcess) {
  // With "force user" the open's uid is not the session's: the smbd process
  // tells whose it is.
  const SmbStatus status = Status("smbstatus_three_sessions.json");
  const std::vector<FileInfo3> f = FilesFromStatus(status, "/tmp/svlab/share", "");
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[0].UserName, "nobody");
  EXPECT_EQ(f[1].UserName, "nobody");
  EXPECT_EQ(f[2].UserName, "root");
  EXPECT_EQ(FilesFromStatus(status, "/tmp/svlab/share", "nobody").size(), 2u);
}

TEST(SmbStatus, IdleServerAndNoServer) {
  SmbStatus status = Status("smbstatus_idle.json");
  EXPECT_TRUE(SessionsFromStatus(status).empty());
  // Without a running smbd, smbstatus (as root) prints no open_files member.
  ASSERT_TRUE(ParseSmbStatusJson(R"({"timestamp": "2026-12-11T10:53:00.344581+0000", "version": "4.17.12-Debian",
      "smb_conf": "/tmp/nonexist.conf", "sessions": {}, "tcons": {}})",
                                 status));
  EXPECT_TRUE(status.Opens.empty());
}

TEST(SmbStatus, RunResults) {
  SmbStatus status;
  ToolResult run;
  EXPECT_EQ(SmbStatusResult(run, status), kErrorNotSupported);
  run.Started = true;
  run.TimedOut = true;
  EXPECT_EQ(SmbStatusResult(run, status), kErrorSemTimeout);
  // As non-root it prints a JSON stub, says so on stderr and exits 1.
  run = ToolResult{true, false, 1, Data("smbstatus_nonroot.out"), Data("smbstatus_nonroot.err")};
  EXPECT_EQ(SmbStatusResult(run, status), kErrorAccessDenied);
  run = ToolResult{true, false, 0, "smbstatus: garbage", ""};
  EXPECT_EQ(SmbStatusResult(run, status), kErrorInvalidData);
  run = ToolResult{true, false, 0, R"({"timestamp": "x", "sessions": [1, 2]})", ""};
  EXPECT_EQ(SmbStatusResult(run, status), kNerrSuccess);  // odd members are passed over
  EXPECT_TRUE(status.Sessions.empty());
  run = ToolResult{true, false, 0, Data("smbstatus_three_sessions.json"), ""};
  EXPECT_EQ(SmbStatusResult(run, status), kNerrSuccess);
  EXPECT_EQ(status.Sessions.size(), 3u);
}

TEST(Srvinfo, RecordedOutput) {
  ServerInfo101 info;
  ASSERT_TRUE(ParseSrvinfo(Data("rpcclient_srvinfo.out"), info));
  EXPECT_EQ(info.PlatformId, 500u);
  EXPECT_EQ(info.VersionMajor, 6u);
  EXPECT_EQ(info.VersionMinor, 1u);
  EXPECT_EQ(info.Type, 0x809a03u);
  ServerInfo101 none;
  EXPECT_FALSE(ParseSrvinfo(Data("rpcclient_srvinfo_fail.err"), none));
  EXPECT_FALSE(ParseSrvinfo("\tplatform_id     :\t500\n", none));  // no type
  EXPECT_FALSE(ParseSrvinfo("\tplatform_id     :\tx\n\tserver type     :\t0x3\n", none));
}

TEST(MessageSend, DeliveredOnlyWithoutAComplaint) {
  const std::string prompt = Data("smbclient_msg.out");
  EXPECT_EQ(MessageSendResult({true, false, 0, prompt, ""}), kNerrSuccess);
  // A configuration warning alone does not undo the delivery.
  EXPECT_EQ(MessageSendResult({true, false, 0, prompt, "Can't load /etc/samba/smb.conf - run testparm to debug it\n"}),
            kNerrSuccess);
  // Refused by the receiver: exit 0, reason on stderr.
  EXPECT_EQ(MessageSendResult({true, false, 0, prompt, Data("smbclient_msg_refused.err")}), kNerrNameNotFound);
  // Unreachable: exit 1.
  EXPECT_EQ(MessageSendResult({true, false, 1, Data("smbclient_msg_unreachable.out"), ""}), kNerrNameNotFound);
  EXPECT_EQ(MessageSendResult({true, true, -1, "", ""}), kErrorSemTimeout);
  EXPECT_EQ(MessageSendResult({false, false, -1, "", ""}), kErrorNotSupported);
}

TEST(Testparm, ValueWithoutLineEnd) {
  EXPECT_EQ(TestparmValue("/srv/share\n"), "/srv/share");
  EXPECT_EQ(TestparmValue("/srv/日本\r\n"), "/srv/日本");
  EXPECT_EQ(TestparmValue(""), "");
}

}  // namespace
}  // namespace sentrova
