// Pop-up messages to other computers and the manager report.
//
// The NT family sends through the messenger operation of the bound services
// (NetMessageBufferSend); the Windows 9x family writes a datagram to the
// recipient's messenger mailslot through a transport. Recipients and texts
// are limited to 100 bytes, counted in the code page's (CP932) bytes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "access/net_api.h"
#include "settings/settings_cfg.h"

namespace sentrova {

inline constexpr std::size_t kMessageLimit = 100;

// Sends text to recipient with computerName as the sender. True only when the
// service reports the message delivered; false when computerName is empty,
// the recipient or the text is longer than 100 bytes, the operation is not
// bound, or the service fails.
bool SendMessageNT(const NetApiBinding& net, const std::string& computerName, const std::string& recipient,
                   const std::string& text);

// Where the 9x mailslot datagram goes.
class MailslotTransport {
 public:
  virtual ~MailslotTransport() = default;
  // Opens an existing mailslot for writing, writes the datagram in one
  // write, closes it. True when the write succeeded.
  virtual bool Write(const std::string& mailslotPath, const std::string& datagram) = 0;
};

// The mailslot message: sender, recipient and text, each in CP932 followed by
// a 0 byte, no padding.
std::string BuildMailslotMessage(const std::string& sender, const std::string& recipient, const std::string& text);
// "\\" + recipient + "\mailslot\messngr".
std::string MessengerMailslotPath(const std::string& recipient);

// Writes the message to the recipient's messenger mailslot. Refuses like
// SendMessageNT (no computer name, more than 100 bytes).
bool SendMailslot9x(MailslotTransport& transport, const std::string& computerName, const std::string& recipient,
                    const std::string& text);

// The sender of the platform family: PlatformCode 2 uses SendMessageNT, 1
// SendMailslot9x; any other family sends nothing and returns false.
struct Messenger {
  int PlatformCode = 3;
  const NetApiBinding* Net = nullptr;
  MailslotTransport* Mailslot = nullptr;
  std::string ComputerName;

  bool Send(const std::string& recipient, const std::string& text) const;
};

// Manager report kinds.
enum ManagerReportKind : int {
  kManagerLogin = 1,
  kManagerLogout = 2,
  kManagerAllLogin = 3,
  kManagerAllLogout = 4,
  kManagerAccess = 5,
};

// The report text for a kind and its list (lines whose text before the first
// TAB is the name to show). Kinds 3 and 4 take no list. Empty for an unknown
// kind.
std::string ComposeManagerReport(int kind, const std::vector<std::string>& list);

// The recipients in the Manager setting: its comma-separated fields from the
// first up to the first empty one (blanks are kept).
std::vector<std::string> ManagerRecipients(const std::string& manager);

// Composes the report and sends it to every manager of cfg.Manager; the
// results of the sends are not checked. Nothing happens when cfg.Manager is
// empty.
void SendManagerReport(const SentrovaCfg& cfg, const Messenger& messenger, int kind,
                       const std::vector<std::string>& list);

}  // namespace sentrova
