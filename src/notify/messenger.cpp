#include "notify/messenger.h"

#include "settings/text.h"

namespace sentrova {
namespace {

bool WithinLimits(const std::string& recipient, const std::string& text) {
  return Cp932Length(recipient) <= kMessageLimit && Cp932Length(text) <= kMessageLimit;
}

const char* ClosingText(int kind) {
  switch (kind) {
    case kManagerLogin: return "\r\nがログインしました。";
    case kManagerLogout: return "\r\nがログアウトしました。";
    case kManagerAllLogin: return "全員がログインしました。";
    case kManagerAllLogout: return "全員がログアウトしました。";
    case kManagerAccess: return "\r\nにアクセスされています！";
    default: return nullptr;
  }
}

// Bytes of the longest closing text.
constexpr std::size_t kLongestClosing = 26;

}  // namespace

bool SendMessageNT(const NetApiBinding& net, const std::string& computerName, const std::string& recipient,
                   const std::string& text) {
  if (computerName.empty()) return false;
  if (!WithinLimits(recipient, text)) return false;
  // Without the messenger operation nothing is sent, and that is a failure.
  if (!net.NT.NetMessageBufferSend) return false;
  return net.NT.NetMessageBufferSend(recipient, computerName, text) == kNerrSuccess;
}

std::string BuildMailslotMessage(const std::string& sender, const std::string& recipient, const std::string& text) {
  std::string datagram = ToCp932(sender);
  datagram += '\0';
  datagram += ToCp932(recipient);
  datagram += '\0';
  datagram += ToCp932(text);
  datagram += '\0';
  return datagram;
}

std::string MessengerMailslotPath(const std::string& recipient) {
  return "\\\\" + recipient + "\\mailslot\\messngr";
}

bool SendMailslot9x(MailslotTransport& transport, const std::string& computerName, const std::string& recipient,
                    const std::string& text) {
  if (computerName.empty()) return false;
  if (!WithinLimits(recipient, text)) return false;
  return transport.Write(MessengerMailslotPath(recipient), BuildMailslotMessage(computerName, recipient, text));
}

bool Messenger::Send(const std::string& recipient, const std::string& text) const {
  if (PlatformCode == 2) return Net != nullptr && SendMessageNT(*Net, ComputerName, recipient, text);
  if (PlatformCode == 1) return Mailslot != nullptr && SendMailslot9x(*Mailslot, ComputerName, recipient, text);
  return false;
}

std::string ComposeManagerReport(int kind, const std::vector<std::string>& list) {
  const char* closing = ClosingText(kind);
  if (closing == nullptr) return {};
  if (kind == kManagerAllLogin || kind == kManagerAllLogout) return closing;
  const std::size_t closingBytes = Cp932Length(closing);
  auto tailFor = [](std::size_t remaining) { return "\r\nその他" + std::to_string(remaining) + "名"; };

  // prefixes[k]: the body after the first k names (with the separator or
  // line break that followed name k-1), and its length in CP932 bytes.
  std::vector<std::pair<std::string, std::size_t>> prefixes{{std::string(), 0}};
  std::string body;
  std::size_t bodyBytes = 0;
  const std::size_t count = list.size();
  for (std::size_t i = 0; i < count; ++i) {
    const std::string name = list[i].substr(0, list[i].find('\t'));
    const std::size_t nameBytes = Cp932Length(name);
    if (bodyBytes + nameBytes + kLongestClosing > kMessageLimit) {
      // The tail is longer than the reserve allows for when the body is
      // nearly full: give back names until the whole report fits, so that
      // the managers still get it.
      std::size_t k = i;
      while (k > 0 && prefixes[k].second + Cp932Length(tailFor(count - k)) + closingBytes > kMessageLimit) --k;
      return prefixes[k].first + tailFor(count - k) + closing;
    }
    if (i > 0 && (body.empty() || body.back() != '\n')) {
      body += "：";
      bodyBytes += 2;
    }
    body += name;
    bodyBytes += nameBytes;
    if (i > 0 && i % 6 == 0 && i + 1 < count) {
      body += "\r\n";
      bodyBytes += 2;
    }
    prefixes.emplace_back(body, bodyBytes);
  }
  return body + closing;
}

std::vector<std::string> ManagerRecipients(const std::string& manager) {
  std::vector<std::string> recipients;
  for (int n = 0;; ++n) {
    std::string field = FieldOf(manager, ',', n);
    if (field.empty()) break;
    recipients.push_back(std::move(field));
  }
  return recipients;
}

void SendManagerReport(const SentrovaCfg& cfg, const Messenger& messenger, int kind,
                       const std::vector<std::string>& list) {
  if (cfg.Manager.empty()) return;
  const std::string report = ComposeManagerReport(kind, list);
  if (report.empty()) return;
  for (const std::string& recipient : ManagerRecipients(cfg.Manager)) {
    messenger.Send(recipient, report);  // results are not checked
  }
}

}  // namespace sentrova
