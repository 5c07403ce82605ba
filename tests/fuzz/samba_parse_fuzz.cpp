// smbstatus JSON and rpcclient output come from other programs: any bytes
// must parse or be refused without harm, and the records built from a parsed
// look must be consistent.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/samba_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  sentrova::SmbStatus status;
  if (sentrova::ParseSmbStatusJson(text, status)) {
    const auto sessions = sentrova::SessionsFromStatus(status);
    if (sessions.size() != status.Sessions.size()) __builtin_trap();
    for (const auto& s : status.Sessions) {
      sentrova::ConnectionsFromStatus(status, "\\\\" + sentrova::ClientNameOf(s.RemoteMachine));
    }
    if (sentrova::FilesFromStatus(status, "", "").size() != status.Opens.size()) __builtin_trap();
    for (const auto& o : status.Opens) sentrova::FilesFromStatus(status, o.ServicePath, "");
  }
  sentrova::ServerInfo101 info;
  sentrova::ParseSrvinfo(text, info);
  std::int64_t t = 0;
  sentrova::ParseIsoTime(text, t);
  return 0;
}
