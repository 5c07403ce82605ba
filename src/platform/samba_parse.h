// Reading the output of Samba's tools: smbstatus --json, rpcclient srvinfo,
// testparm and smbclient -M. Plain functions, tested by replaying output
// recorded from real runs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "access/net_api.h"
#include "platform/tool_runner.h"

namespace sentrova {

// What smbstatus --json tells about this computer's Samba server.
struct SmbSession {
  std::string Id;
  std::string ServerPid;      // the smbd process serving it
  std::string UserName;
  std::string RemoteMachine;  // the client's NetBIOS name (lower case) or its address
  std::uint32_t Uid = 0;
};
struct SmbTcon {
  std::string Id;
  std::string SessionId;
  std::string ServerPid;
  std::string Service;  // share name
  std::int64_t ConnectedAt = -1;  // seconds since the epoch; -1 when not given
};
struct SmbOpen {
  std::string Path;         // full local path
  std::string ServicePath;  // local path of its share
  std::string ServerPid;
  std::string ShareFileId;
  std::uint32_t Uid = 0;
  std::uint32_t AccessMask = 0;
};
struct SmbStatus {
  std::int64_t Timestamp = -1;  // when smbstatus looked
  std::vector<SmbSession> Sessions;  // in the order smbstatus lists them
  std::vector<SmbTcon> Tcons;
  std::vector<SmbOpen> Opens;
};

// False when the text is not smbstatus's JSON.
bool ParseSmbStatusJson(std::string_view json, SmbStatus& out);

// "2026-12-11T10:51:01.497984+0000" or "...+00:00" or "...Z" to seconds since
// the epoch (fraction dropped). False when malformed.
bool ParseIsoTime(std::string_view text, std::int64_t& seconds);

// A client as the sessions name it: a NetBIOS name in upper case, an address
// as it is.
std::string ClientNameOf(const std::string& remoteMachine);

// The records of the server operations, from one smbstatus look.
std::vector<SessionInfo10> SessionsFromStatus(const SmbStatus& status);
// qualifier "\\NAME" (or "\\\\NAME"): the share connections of that client;
// any other qualifier is a share name: the clients connected to it.
std::vector<ConnectionInfo1> ConnectionsFromStatus(const SmbStatus& status, const std::string& qualifier);
// Each open of a file under basePath (empty: anywhere) by userName (empty:
// anyone; compared ignoring ASCII case).
std::vector<FileInfo3> FilesFromStatus(const SmbStatus& status, const std::string& basePath,
                                       const std::string& userName);

// The code of a smbstatus run: 0 with status filled, 121 timed out, 5 when it
// ended with an error (as non-root it prints a JSON stub and fails), 13 for
// output that is not its JSON, 50 when it could not be started.
std::uint32_t SmbStatusResult(const ToolResult& run, SmbStatus& status);

// rpcclient -c srvinfo: platform id, version and server type bits. False when
// the output lacks them.
bool ParseSrvinfo(std::string_view output, ServerInfo101& info);

// The code of a smbclient -M run: 0 only when the message was delivered.
// smbclient exits 0 also when the receiver refused it; it says so on stderr.
std::uint32_t MessageSendResult(const ToolResult& run);

// testparm --parameter-name: the value printed, without its line end.
std::string TestparmValue(std::string_view output);

}  // namespace sentrova
