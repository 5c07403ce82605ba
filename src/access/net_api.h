// The server and messenger services, bound at run time.
//
// Access watching, pop-up messages and the server lookups of the properties
// window go through one of two operation sets: the Windows 9x set and the NT
// set. A set comes from a library that a loader opens by name; each operation
// is looked up in it by name, and a set with one operation missing is never
// used at all. On Linux the NT set is supplied by the Samba provider
// (platform/samba_net_api.h); nothing supplies the 9x set, whose code paths
// exist for fake libraries in tests.
//
// Texts in the records and parameters are the program's UTF-8 text. Records
// are returned in vectors the caller owns; NetApiBufferFree stays part of the
// NT set (a library without it is incomplete) but has nothing left to free.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sentrova {

// Result codes, with their Windows values.
inline constexpr std::uint32_t kNerrSuccess = 0;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidData = 13;
inline constexpr std::uint32_t kErrorNotSupported = 50;
inline constexpr std::uint32_t kErrorBadNetpath = 53;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorSemTimeout = 121;
inline constexpr std::uint32_t kErrorMoreData = 234;
inline constexpr std::uint32_t kErrorNoBrowserServersFound = 6118;
inline constexpr std::uint32_t kNerrNameNotFound = 2273;
inline constexpr std::uint32_t kNerrNetNameNotFound = 2310;

// Platform ids of the server records.
inline constexpr std::uint32_t kPlatformIdDos = 300;
inline constexpr std::uint32_t kPlatformIdOs2 = 400;
inline constexpr std::uint32_t kPlatformIdNt = 500;
// "All server types" for NetServerEnum.
inline constexpr std::uint32_t kSvTypeAll = 0xFFFFFFFFu;

// 9x records (level 50; NetServerGetInfo level 1).
struct SessionInfo50 {
  std::string ClientName;
  std::string UserName;
  std::uint32_t Time = 0;      // connected seconds
  std::uint32_t IdleTime = 0;  // idle seconds
};
struct ConnectionInfo50 {
  std::string NetName;  // share
  std::string UserName;
};
struct ShareInfo50 {
  std::string NetName;
  std::string Path;
  std::string Remark;
};
struct FileInfo50 {
  std::uint32_t Id = 0;
  std::string PathName;
  std::string UserName;
  std::string ShareName;
};
struct ServerInfo1 {
  std::string Name;
  std::uint32_t VersionMajor = 0;
  std::uint32_t VersionMinor = 0;
  std::uint32_t Type = 0;
  std::string Comment;
};

// NT records (session level 10, connection level 1, share level 2, file
// level 3, server level 101).
struct SessionInfo10 {
  std::string ClientName;      // computer name (or address) of the client
  std::string UserName;
  std::uint32_t Time = 0;      // active seconds
  std::uint32_t IdleTime = 0;  // idle seconds
};
struct ConnectionInfo1 {
  std::uint32_t Id = 0;
  std::uint32_t Type = 0;  // 0 disk share, 3 IPC
  std::uint32_t NumOpens = 0;
  std::uint32_t NumUsers = 1;
  std::uint32_t Time = 0;  // seconds since the connection was made
  std::string UserName;
  std::string NetName;  // the share, or the client when asked by share
};
struct ShareInfo2 {
  std::string NetName;
  std::uint32_t Type = 0;
  std::string Remark;
  std::string Path;  // local path; empty when not known
};
struct FileInfo3 {
  std::uint32_t Id = 0;
  std::uint32_t Permissions = 0;  // 1 read, 2 write, 4 create
  std::uint32_t NumLocks = 0;
  std::string PathName;  // full local path
  std::string UserName;
};
struct ServerInfo101 {
  std::uint32_t PlatformId = 0;  // 0 when it could not be learnt
  std::string Name;
  std::uint32_t VersionMajor = 0;
  std::uint32_t VersionMinor = 0;
  std::uint32_t Type = 0;
  std::string Comment;
};

// A loaded "SVRAPI.DLL". Every call is on the local computer.
class NetApi9xLibrary {
 public:
  virtual ~NetApi9xLibrary() = default;
  // Whether the library has an operation of this name.
  virtual bool Exports(std::string_view name) const = 0;
  virtual std::uint32_t NetSessionEnum(std::vector<SessionInfo50>& out, std::uint32_t bufferSize) = 0;
  virtual std::uint32_t NetConnectionEnum(const std::string& qualifier, std::vector<ConnectionInfo50>& out,
                                          std::uint32_t bufferSize) = 0;
  virtual std::uint32_t NetServerGetInfo(const std::string& server, ServerInfo1& out, std::uint32_t bufferSize) = 0;
  virtual std::uint32_t NetShareGetInfo(const std::string& share, ShareInfo50& out, std::uint32_t bufferSize) = 0;
  virtual std::uint32_t NetFileEnum(std::vector<FileInfo50>& out, std::uint32_t bufferSize) = 0;
};

// A loaded "NETAPI32.DLL". Every call is on the local computer.
class NetApiNTLibrary {
 public:
  virtual ~NetApiNTLibrary() = default;
  virtual bool Exports(std::string_view name) const = 0;
  // Why operations are missing, for a diagnostic line; empty when complete.
  virtual std::string MissingDetail() const { return {}; }
  virtual std::uint32_t NetSessionEnum(std::vector<SessionInfo10>& out, std::uint32_t prefMaxLen) = 0;
  // qualifier "\\" + computer: that client's connections; else a share name:
  // the connections to that share.
  virtual std::uint32_t NetConnectionEnum(const std::string& qualifier, std::vector<ConnectionInfo1>& out,
                                          std::uint32_t prefMaxLen) = 0;
  virtual std::uint32_t NetMessageBufferSend(const std::string& recipient, const std::string& sender,
                                             const std::string& text) = 0;
  virtual std::uint32_t NetServerEnum(const std::string& domain, std::uint32_t serverType,
                                      std::vector<ServerInfo101>& out) = 0;
  virtual std::uint32_t NetShareGetInfo(const std::string& share, ShareInfo2& out) = 0;
  // Files open under basePath (empty: everywhere) by userName (empty: anyone).
  virtual std::uint32_t NetFileEnum(const std::string& basePath, const std::string& userName,
                                    std::vector<FileInfo3>& out, std::uint32_t prefMaxLen) = 0;
  virtual std::uint32_t NetApiBufferFree(const void* buffer) = 0;
};

// Opens a library by name; null when it cannot be loaded.
class NetApiLoader {
 public:
  virtual ~NetApiLoader() = default;
  virtual std::unique_ptr<NetApi9xLibrary> Load9x(const std::string& libraryName) = 0;
  virtual std::unique_ptr<NetApiNTLibrary> LoadNT(const std::string& libraryName) = 0;
};

inline constexpr const char* kLibrary9x = "SVRAPI.DLL";
inline constexpr const char* kLibraryNT = "NETAPI32.DLL";
// The operation names of each set, as looked up.
inline constexpr std::string_view kNetApi9xNames[] = {"NetSessionEnum", "NetConnectionEnum", "NetServerGetInfo",
                                                      "NetShareGetInfo", "NetFileEnum"};
inline constexpr std::string_view kNetApiNTNames[] = {"NetSessionEnum",  "NetConnectionEnum", "NetMessageBufferSend",
                                                      "NetServerEnum",   "NetShareGetInfo",   "NetFileEnum",
                                                      "NetApiBufferFree"};

// Start-up problem flags.
inline constexpr unsigned kProblemAccessWatch = 1u;         // bit 0: the services could not be bound
inline constexpr unsigned kProblemShutdownPrivilege = 2u;  // bit 1: no shutdown privilege

// The operations of a set; an empty function is an absent operation.
struct NetApi9xSet {
  std::function<std::uint32_t(std::vector<SessionInfo50>&, std::uint32_t)> NetSessionEnum;
  std::function<std::uint32_t(const std::string&, std::vector<ConnectionInfo50>&, std::uint32_t)> NetConnectionEnum;
  std::function<std::uint32_t(const std::string&, ServerInfo1&, std::uint32_t)> NetServerGetInfo;
  std::function<std::uint32_t(const std::string&, ShareInfo50&, std::uint32_t)> NetShareGetInfo;
  std::function<std::uint32_t(std::vector<FileInfo50>&, std::uint32_t)> NetFileEnum;
};
struct NetApiNTSet {
  std::function<std::uint32_t(std::vector<SessionInfo10>&, std::uint32_t)> NetSessionEnum;
  std::function<std::uint32_t(const std::string&, std::vector<ConnectionInfo1>&, std::uint32_t)> NetConnectionEnum;
  std::function<std::uint32_t(const std::string&, const std::string&, const std::string&)> NetMessageBufferSend;
  std::function<std::uint32_t(const std::string&, std::uint32_t, std::vector<ServerInfo101>&)> NetServerEnum;
  std::function<std::uint32_t(const std::string&, ShareInfo2&)> NetShareGetInfo;
  std::function<std::uint32_t(const std::string&, const std::string&, std::vector<FileInfo3>&, std::uint32_t)>
      NetFileEnum;
  std::function<std::uint32_t(const void*)> NetApiBufferFree;
};

// The binding. The program keeps one for its whole run; callers test an
// operation (`if (net.NT.NetSessionEnum)`) before calling it and treat an
// absent one as giving no result.
struct NetApiBinding {
  std::unique_ptr<NetApi9xLibrary> Library9x;  // the loaded library, or none
  std::unique_ptr<NetApiNTLibrary> LibraryNT;
  bool Attempted = false;
  NetApi9xSet Ops9x;
  NetApiNTSet NT;
  std::string FailureText;    // the last binding failure; empty when none
  std::string FailureDetail;  // what the library said was missing, for diagnostics
  unsigned StartupProblems = 0;

  bool LibraryLoaded() const { return Library9x != nullptr || LibraryNT != nullptr; }
};

// Binding of one set. True when every operation of the set was found.
bool BindNetApi9x(NetApiBinding& net, NetApiLoader& loader);
bool BindNetApiNT(NetApiBinding& net, NetApiLoader& loader);
// By platform family: 1 binds the 9x set, 2 the NT set; any other value
// binds nothing, leaves Attempted false and returns false.
bool BindNetApi(NetApiBinding& net, NetApiLoader& loader, int platformCode);
// Releases the library of an attempted binding; every operation becomes absent.
void UnbindNetApi(NetApiBinding& net);

}  // namespace sentrova
