#include "discovery/enum_thread.h"

#include <exception>
#include <utility>

#include "app/dispatcher.h"
#include "app/list_file.h"
#include "discovery/net_resource.h"
#include "settings/action.h"
#include "settings/params.h"
#include "settings/text.h"
#include "tcpip/icmp.h"

namespace sentrova {
namespace {

std::string Unstarred(const std::string& v) { return (!v.empty() && v[0] == '*') ? v.substr(1) : v; }

std::string ListLine(const ResItem& e) { return e.User + '\t' + e.Resource; }

}  // namespace

TEnumThread::TEnumThread(EnumServices services, EnumTarget& target, EnumSettings settings, TResList entries)
    : services_(services), target_(target), settings_(settings), entries_(std::move(entries)) {}

TEnumThread::~TEnumThread() {
  terminated_ = true;
  Join();
}

void TEnumThread::Start(std::function<void()> onTerminate) {
  thread_ = std::thread([this, onTerminate = std::move(onTerminate)] {
    Run();
    services_.Main.Post(onTerminate);
  });
}

void TEnumThread::Join() {
  if (thread_.joinable()) thread_.join();
}

void TEnumThread::Run() {
  running_ = true;
  for (std::size_t index = 0; index < entries_.size(); ++index) {
    ResItem& e = entries_[index];
    if (e.Skip) continue;
    ShowProgress(e);
    if (terminated_) break;
    PingCells cells;
    if (e.ByIP) {
      if (e.IP.empty()) {
        const std::string ip = ResolveIP(e.Resource);
        if (!ip.empty()) e.IP = "*" + ip;
        if (terminated_) break;
      }
      CheckByPing(e, cells);
      if (terminated_) break;  // the entry is not applied
    } else if (IsDomainVisible(e)) {
      switch (CheckByBrowse(services_.Browse, e.Domain, e.Provider, e.Resource, settings_.SafeCheck)) {
        case kFound:
          SetLogin(e);
          break;
        case kNotFound:
          SetLogout(e);
          break;
        default:
          SetError(e);
          break;
      }
    } else {
      SetLogout(e);
    }
    ApplyEntry(index, e, cells);
    if (terminated_) break;
  }
  running_ = false;
}

bool TEnumThread::IcmpActive() { return services_.Icmp.IsActive() || services_.Icmp.Active(true); }

std::string TEnumThread::ResolveIP(const std::string& name) {
  std::string ip;
  {
    auto hold = services_.Icmp.Hold();
    if (!IcmpActive()) return {};
    if (!services_.Icmp.GetIPByName(name)) return {};
    ip = services_.Icmp.GetIPAddr();
  }
  std::string normalized;
  if (NormalizeIP(ip, normalized)) ip = normalized;
  return ip;
}

void TEnumThread::CheckByPing(ResItem& e, PingCells& cells) {
  cells.Result = std::string();
  std::string address;
  bool reachable = false;
  if (!e.IP.empty()) {
    if (e.IP[0] == '*') {
      cells.IP = e.IP;
      address = e.IP.substr(1);
    } else {
      if (e.Resource.empty()) {
        std::string host;
        {
          auto hold = services_.Icmp.Hold();
          if (services_.Icmp.GetNameByIP(ReplaceAll(e.IP, " ", ""))) host = services_.Icmp.HostName();
        }
        e.Resource = host;
        cells.Resource = host.empty() ? std::string() : "*" + host;
      }
      address = e.IP;
    }
    auto hold = services_.Icmp.Hold();
    try {
      services_.Icmp.SetIPAddr(address);
      if (IcmpActive()) {
        reachable = services_.Icmp.Ping();
        cells.Result = services_.Icmp.ResultText();
      }
    } catch (const std::exception&) {
      reachable = false;
    }
  }
  if (reachable) {
    if (e.MacAddr.empty() && settings_.LoginAutoMAC) {
      auto hold = services_.Icmp.Hold();
      std::string mac;
      if (IcmpActive()) {
        services_.Icmp.SetIPAddr(address);
        mac = services_.Icmp.GetMACAddr();
      }
      cells.Mac = mac;
    }
    SetLogin(e);
  } else {
    SetLogout(e);
    if (!e.IP.empty() && e.IP[0] == '*') {
      // A found address is looked up again next time.
      e.IP.clear();
      cells.IP = std::string();
    }
    if (settings_.LogoutAutoMAC) cells.Mac = std::string();
  }
}

bool TEnumThread::IsDomainVisible(const ResItem& e) {
  ServerStat stat;
  stat.KindCode = kKindProvider;
  try {
    return FindNetResource(services_.Browse, "", e.Provider, e.Domain, stat) == kFound;
  } catch (const std::exception&) {
    return false;
  }
}

void TEnumThread::RunChangeAction(const ResItem& e, const std::string& action) {
  std::string text = action;
  if (text.find('%') != std::string::npos) {
    text = ExpandParams(text, ParamLetters,
                        {e.User, Unstarred(e.Resource), e.StateText, e.Domain, e.Provider, Unstarred(e.IP)});
  }
  RunAction(text, settings_.WaitWave, services_.Starter, services_.Sound);
}

void TEnumThread::SetLogin(ResItem& e) {
  if (e.State != kStateLogin) {
    loginList_.push_back(ListLine(e));
    if (settings_.LoginDoAction) RunChangeAction(e, e.LoginAction);
  }
  e.StateText = kTextLogin;
  e.Image = e.IconBase;
  e.State = kStateLogin;
}

void TEnumThread::SetLogout(ResItem& e) {
  if (e.State != kStateLogout) {
    logoutList_.push_back(ListLine(e));
    if (settings_.LogoutDoAction) RunChangeAction(e, e.LogoutAction);
  }
  e.StateText = kTextLogout;
  e.Image = e.IconBase + 1;
  e.State = kStateLogout;
}

void TEnumThread::SetError(ResItem& e) {
  if (e.Image != kImageError) errorList_.push_back(ListLine(e));
  e.StateText = kTextError;
  e.Image = kImageError;
  e.State = kStateError;
}

void TEnumThread::ShowProgress(const ResItem& e) {
  const std::string text = e.User + " 調査中...";
  services_.Main.Invoke([&] { target_.SetStatusText(text); });
}

void TEnumThread::ApplyEntry(std::size_t index, const ResItem& e, const PingCells& cells) {
  services_.Main.Invoke([&] {
    TermList& rows = target_.Rows();
    if (index < rows.Count()) {
      ListRow row = rows.Row(index);
      row.ImageIndex = e.Image;
      row.SubItems[kSubState] = e.StateText;
      row.Data = (row.Data & ~0xFF00u) | ((static_cast<std::uint32_t>(e.State) & 0xFFu) << 8);
      if (e.ByIP) {
        if (cells.Resource) row.SubItems[kSubResource] = *cells.Resource;
        if (cells.IP) row.SubItems[kSubIP] = *cells.IP;
        if (cells.Result) row.SubItems[kSubPingResult] = *cells.Result;
        if (cells.Mac) row.SubItems[kSubMac] = *cells.Mac;
      }
      rows.Set(index, std::move(row));
    }
    target_.SetStatusText("");
    target_.SetCheckLists(errorList_, loginList_, logoutList_);
  });
}

}  // namespace sentrova
