#include "platform/samba_parse.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <nlohmann/json.hpp>

#include "settings/text.h"

namespace sentrova {
namespace {

using Json = nlohmann::ordered_json;

std::string Str(const Json& obj, const char* key) {
  if (!obj.is_object()) return {};
  const auto it = obj.find(key);
  if (it == obj.end()) return {};
  if (it->is_string()) return it->get<std::string>();
  if (it->is_number_unsigned()) return std::to_string(it->get<std::uint64_t>());
  if (it->is_number_integer()) return std::to_string(it->get<std::int64_t>());
  return {};
}

std::uint32_t Num(const Json& obj, const char* key) {
  if (!obj.is_object()) return 0;
  const auto it = obj.find(key);
  if (it == obj.end()) return 0;
  if (it->is_number_unsigned()) return static_cast<std::uint32_t>(it->get<std::uint64_t>());
  if (it->is_number_integer()) return static_cast<std::uint32_t>(it->get<std::int64_t>());
  if (it->is_string()) {
    const std::string s = it->get<std::string>();
    std::uint32_t v = 0;
    const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    std::from_chars(s.data() + (hex ? 2 : 0), s.data() + s.size(), v, hex ? 16 : 10);
    return v;
  }
  return 0;
}

const Json& Member(const Json& obj, const char* key) {
  static const Json empty = Json::object();
  if (!obj.is_object()) return empty;
  const auto it = obj.find(key);
  return it == obj.end() ? empty : *it;
}

bool Digits(std::string_view s, std::size_t pos, std::size_t n, int& out) {
  if (pos + n > s.size()) return false;
  out = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    out = out * 10 + (s[i] - '0');
  }
  return true;
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<std::int64_t>(era) * 146097 + doe - 719468;
}

std::uint32_t Elapsed(std::int64_t now, std::int64_t since) {
  if (now < 0 || since < 0 || now <= since) return 0;
  const std::int64_t d = now - since;
  return d > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<std::uint32_t>(d);
}

bool IsAddress(const std::string& s) {
  if (s.empty()) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == ':' || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  }) && (s.find('.') != std::string::npos || s.find(':') != std::string::npos);
}

bool EqualsIgnoringAsciiCase(const std::string& a, const std::string& b) {
  return ToUpperAscii(a) == ToUpperAscii(b);
}

const SmbSession* SessionById(const SmbStatus& status, const std::string& id) {
  for (const SmbSession& s : status.Sessions) {
    if (s.Id == id) return &s;
  }
  return nullptr;
}

// The session an open belongs to: same smbd process, the same uid when the
// process serves more than one.
const SmbSession* SessionOfOpen(const SmbStatus& status, const SmbOpen& open) {
  const SmbSession* first = nullptr;
  for (const SmbSession& s : status.Sessions) {
    if (s.ServerPid != open.ServerPid) continue;
    if (s.Uid == open.Uid) return &s;
    if (!first) first = &s;
  }
  return first;
}

std::string TrimLineEnds(std::string_view s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.remove_suffix(1);
  return std::string(s);
}

}  // namespace

bool ParseIsoTime(std::string_view t, std::int64_t& seconds) {
  int y, mo, d, h, mi, s;
  if (!Digits(t, 0, 4, y) || t.size() < 19 || t[4] != '-' || !Digits(t, 5, 2, mo) || t[7] != '-' ||
      !Digits(t, 8, 2, d) || (t[10] != 'T' && t[10] != ' ') || !Digits(t, 11, 2, h) || t[13] != ':' ||
      !Digits(t, 14, 2, mi) || t[16] != ':' || !Digits(t, 17, 2, s)) {
    return false;
  }
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60) return false;
  std::size_t pos = 19;
  if (pos < t.size() && t[pos] == '.') {
    ++pos;
    while (pos < t.size() && t[pos] >= '0' && t[pos] <= '9') ++pos;
  }
  int offset = 0;
  if (pos == t.size() || t.substr(pos) == "Z") {
    offset = 0;
  } else if (t[pos] == '+' || t[pos] == '-') {
    int oh, om;
    const std::string_view zone = t.substr(pos + 1);
    if (zone.size() == 4 && Digits(zone, 0, 2, oh) && Digits(zone, 2, 2, om)) {
    } else if (zone.size() == 5 && zone[2] == ':' && Digits(zone, 0, 2, oh) && Digits(zone, 3, 2, om)) {
    } else {
      return false;
    }
    offset = (oh * 60 + om) * 60 * (t[pos] == '-' ? -1 : 1);
  } else {
    return false;
  }
  seconds = DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s - offset;
  return true;
}

bool ParseSmbStatusJson(std::string_view text, SmbStatus& out) {
  out = SmbStatus{};
  const Json doc = Json::parse(text, nullptr, false);
  if (doc.is_discarded() || !doc.is_object() || !doc.contains("timestamp")) return false;
  try {
    if (!ParseIsoTime(Str(doc, "timestamp"), out.Timestamp)) out.Timestamp = -1;
    for (const auto& [key, s] : Member(doc, "sessions").items()) {
      if (!s.is_object()) continue;
      SmbSession session;
      session.Id = Str(s, "session_id");
      if (session.Id.empty()) session.Id = key;
      session.ServerPid = Str(Member(s, "server_id"), "pid");
      session.UserName = Str(s, "username");
      session.RemoteMachine = Str(s, "remote_machine");
      session.Uid = Num(s, "uid");
      out.Sessions.push_back(std::move(session));
    }
    for (const auto& [key, t] : Member(doc, "tcons").items()) {
      if (!t.is_object()) continue;
      SmbTcon tcon;
      tcon.Id = Str(t, "tcon_id");
      if (tcon.Id.empty()) tcon.Id = key;
      tcon.SessionId = Str(t, "session_id");
      tcon.ServerPid = Str(Member(t, "server_id"), "pid");
      tcon.Service = Str(t, "service");
      if (!ParseIsoTime(Str(t, "connected_at"), tcon.ConnectedAt)) tcon.ConnectedAt = -1;
      out.Tcons.push_back(std::move(tcon));
    }
    for (const auto& [path, f] : Member(doc, "open_files").items()) {
      for (const auto& [key, o] : Member(f, "opens").items()) {
        if (!o.is_object()) continue;
        SmbOpen open;
        open.Path = path;
        open.ServicePath = Str(f, "service_path");
        open.ServerPid = Str(Member(o, "server_id"), "pid");
        if (open.ServerPid.empty()) open.ServerPid = key.substr(0, key.find('/'));
        open.ShareFileId = Str(o, "share_file_id");
        open.Uid = Num(o, "uid");
        open.AccessMask = Num(Member(o, "access_mask"), "hex");
        out.Opens.push_back(std::move(open));
      }
    }
  } catch (const nlohmann::json::exception&) {
    out = SmbStatus{};
    return false;
  }
  return true;
}

std::string ClientNameOf(const std::string& remoteMachine) {
  if (IsAddress(remoteMachine)) return remoteMachine;
  return ToUpperAscii(remoteMachine);
}

std::vector<SessionInfo10> SessionsFromStatus(const SmbStatus& status) {
  std::vector<SessionInfo10> sessions;
  for (const SmbSession& s : status.Sessions) {
    std::int64_t first = -1;
    for (const SmbTcon& t : status.Tcons) {
      if (t.SessionId == s.Id && t.ConnectedAt >= 0 && (first < 0 || t.ConnectedAt < first)) first = t.ConnectedAt;
    }
    SessionInfo10 info;
    info.ClientName = ClientNameOf(s.RemoteMachine);
    info.UserName = s.UserName;
    info.Time = Elapsed(status.Timestamp, first);
    info.IdleTime = 0;  // Samba keeps no idle time
    sessions.push_back(std::move(info));
  }
  return sessions;
}

std::vector<ConnectionInfo1> ConnectionsFromStatus(const SmbStatus& status, const std::string& qualifier) {
  std::vector<ConnectionInfo1> connections;
  const bool byClient = qualifier.size() > 2 && qualifier[0] == '\\' && qualifier[1] == '\\';
  const std::string client = byClient ? TrimLeftChar(qualifier, '\\') : std::string();
  for (const SmbTcon& t : status.Tcons) {
    const SmbSession* session = SessionById(status, t.SessionId);
    if (!session) continue;
    const std::string clientName = ClientNameOf(session->RemoteMachine);
    if (byClient ? !EqualsIgnoringAsciiCase(clientName, client) : !EqualsIgnoringAsciiCase(t.Service, qualifier)) {
      continue;
    }
    ConnectionInfo1 info;
    std::from_chars(t.Id.data(), t.Id.data() + t.Id.size(), info.Id);
    info.Type = t.Service == "IPC$" ? 3u : 0u;
    info.Time = Elapsed(status.Timestamp, t.ConnectedAt);
    info.UserName = session->UserName;
    info.NetName = byClient ? t.Service : clientName;
    connections.push_back(std::move(info));
  }
  return connections;
}

std::vector<FileInfo3> FilesFromStatus(const SmbStatus& status, const std::string& basePath,
                                       const std::string& userName) {
  std::string base = basePath;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::vector<FileInfo3> files;
  for (const SmbOpen& o : status.Opens) {
    if (!base.empty()) {
      const bool under = o.Path.size() > base.size() && o.Path.compare(0, base.size(), base) == 0 &&
                         (base == "/" || o.Path[base.size()] == '/');
      if (!under) continue;
    }
    const SmbSession* session = SessionOfOpen(status, o);
    const std::string user = session ? session->UserName : std::string();
    if (!userName.empty() && !EqualsIgnoringAsciiCase(user, userName)) continue;
    FileInfo3 info;
    std::from_chars(o.ShareFileId.data(), o.ShareFileId.data() + o.ShareFileId.size(), info.Id);
    // FILE_READ_DATA 1 -> read, FILE_WRITE_DATA 2 / FILE_APPEND_DATA 4 -> write.
    if (o.AccessMask & 0x1u) info.Permissions |= 1u;
    if (o.AccessMask & 0x6u) info.Permissions |= 2u;
    info.PathName = o.Path;
    info.UserName = user;
    files.push_back(std::move(info));
  }
  return files;
}

std::uint32_t SmbStatusResult(const ToolResult& run, SmbStatus& status) {
  status = SmbStatus{};
  if (!run.Started) return kErrorNotSupported;
  if (run.TimedOut) return kErrorSemTimeout;
  if (run.ExitCode != 0) return kErrorAccessDenied;
  return ParseSmbStatusJson(run.Out, status) ? kNerrSuccess : kErrorInvalidData;
}

bool ParseSrvinfo(std::string_view output, ServerInfo101& info) {
  bool havePlatform = false, haveType = false;
  for (const std::string& line : SplitLines(output)) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = TrimBlanks(ReplaceAll(line.substr(0, colon), "\t", " "));
    const std::string value = TrimBlanks(ReplaceAll(line.substr(colon + 1), "\t", " "));
    if (key == "platform_id") {
      const auto r = std::from_chars(value.data(), value.data() + value.size(), info.PlatformId);
      havePlatform = r.ec == std::errc() && r.ptr == value.data() + value.size();
    } else if (key == "os version") {
      const std::size_t dot = value.find('.');
      std::from_chars(value.data(), value.data() + (dot == std::string::npos ? value.size() : dot), info.VersionMajor);
      if (dot != std::string::npos) {
        std::from_chars(value.data() + dot + 1, value.data() + value.size(), info.VersionMinor);
      }
    } else if (key == "server type") {
      std::string_view v = value;
      if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) v.remove_prefix(2);
      const auto r = std::from_chars(v.data(), v.data() + v.size(), info.Type, 16);
      haveType = !v.empty() && r.ec == std::errc() && r.ptr == v.data() + v.size();
    }
  }
  return havePlatform && haveType;
}

std::uint32_t MessageSendResult(const ToolResult& run) {
  if (!run.Started) return kErrorNotSupported;
  if (run.TimedOut) return kErrorSemTimeout;
  if (run.ExitCode != 0) return kNerrNameNotFound;
  // Exit 0 also when the receiver refused: "cli_message returned NT_STATUS_...".
  if (run.Err.find("cli_message") != std::string::npos || run.Err.find("NT_STATUS_") != std::string::npos) {
    return kNerrNameNotFound;
  }
  return kNerrSuccess;
}

std::string TestparmValue(std::string_view output) {
  const std::vector<std::string> lines = SplitLines(output);
  return lines.empty() ? std::string() : TrimLineEnds(lines.front());
}

}  // namespace sentrova
