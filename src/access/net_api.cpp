#include "access/net_api.h"

namespace sentrova {
namespace {

template <typename Library>
bool ExportsAll(const Library& lib, const std::string_view* names, std::size_t count, std::string& missing) {
  bool all = true;
  for (std::size_t i = 0; i < count; ++i) {
    if (!lib.Exports(names[i])) {
      if (!missing.empty()) missing += ", ";
      missing += names[i];
      all = false;
    }
  }
  return all;
}

void Fill9x(NetApi9xSet& ops, NetApi9xLibrary* lib) {
  ops.NetSessionEnum = [lib](std::vector<SessionInfo50>& out, std::uint32_t size) {
    return lib->NetSessionEnum(out, size);
  };
  ops.NetConnectionEnum = [lib](const std::string& q, std::vector<ConnectionInfo50>& out, std::uint32_t size) {
    return lib->NetConnectionEnum(q, out, size);
  };
  ops.NetServerGetInfo = [lib](const std::string& server, ServerInfo1& out, std::uint32_t size) {
    return lib->NetServerGetInfo(server, out, size);
  };
  ops.NetShareGetInfo = [lib](const std::string& share, ShareInfo50& out, std::uint32_t size) {
    return lib->NetShareGetInfo(share, out, size);
  };
  ops.NetFileEnum = [lib](std::vector<FileInfo50>& out, std::uint32_t size) { return lib->NetFileEnum(out, size); };
}

void FillNT(NetApiNTSet& ops, NetApiNTLibrary* lib) {
  ops.NetSessionEnum = [lib](std::vector<SessionInfo10>& out, std::uint32_t pref) {
    return lib->NetSessionEnum(out, pref);
  };
  ops.NetConnectionEnum = [lib](const std::string& q, std::vector<ConnectionInfo1>& out, std::uint32_t pref) {
    return lib->NetConnectionEnum(q, out, pref);
  };
  ops.NetMessageBufferSend = [lib](const std::string& to, const std::string& from, const std::string& text) {
    return lib->NetMessageBufferSend(to, from, text);
  };
  ops.NetServerEnum = [lib](const std::string& domain, std::uint32_t type, std::vector<ServerInfo101>& out) {
    return lib->NetServerEnum(domain, type, out);
  };
  ops.NetShareGetInfo = [lib](const std::string& share, ShareInfo2& out) { return lib->NetShareGetInfo(share, out); };
  ops.NetFileEnum = [lib](const std::string& base, const std::string& user, std::vector<FileInfo3>& out,
                          std::uint32_t pref) { return lib->NetFileEnum(base, user, out, pref); };
  ops.NetApiBufferFree = [lib](const void* buffer) { return lib->NetApiBufferFree(buffer); };
}

void Fail(NetApiBinding& net, std::string text) {
  net.Ops9x = {};
  net.NT = {};
  net.FailureText = std::move(text);
  net.StartupProblems |= kProblemAccessWatch;
}

}  // namespace

bool BindNetApi9x(NetApiBinding& net, NetApiLoader& loader) {
  net.FailureText.clear();
  net.FailureDetail.clear();
  net.Attempted = true;
  net.Library9x = loader.Load9x(kLibrary9x);
  if (!net.Library9x) {
    Fail(net, "SVRAPI.DLLがロードできませんでした。");
    return false;
  }
  if (!ExportsAll(*net.Library9x, kNetApi9xNames, std::size(kNetApi9xNames), net.FailureDetail)) {
    Fail(net, "SVRAPI.DLLからアクセス監視用モジュールを取得できませんでした。");
    return false;
  }
  Fill9x(net.Ops9x, net.Library9x.get());
  return true;
}

bool BindNetApiNT(NetApiBinding& net, NetApiLoader& loader) {
  net.FailureText.clear();
  net.FailureDetail.clear();
  net.Attempted = true;
  net.LibraryNT = loader.LoadNT(kLibraryNT);
  if (!net.LibraryNT) {
    Fail(net, "NETAPI32.DLLがロードできませんでした。");
    return false;
  }
  std::string missing;
  if (!ExportsAll(*net.LibraryNT, kNetApiNTNames, std::size(kNetApiNTNames), missing)) {
    const std::string why = net.LibraryNT->MissingDetail();
    net.FailureDetail = why.empty() ? missing : missing + " (" + why + ")";
    Fail(net, "NETAPI32.DLLからアクセス監視用モジュールを取得できませんでした。");
    return false;
  }
  FillNT(net.NT, net.LibraryNT.get());
  return true;
}

bool BindNetApi(NetApiBinding& net, NetApiLoader& loader, int platformCode) {
  if (platformCode == 1) return BindNetApi9x(net, loader);
  if (platformCode == 2) return BindNetApiNT(net, loader);
  return false;
}

void UnbindNetApi(NetApiBinding& net) {
  // The operations hold the library: they go first.
  net.Ops9x = {};
  net.NT = {};
  if (net.Attempted) {
    net.Library9x.reset();
    net.LibraryNT.reset();
  }
}

}  // namespace sentrova
