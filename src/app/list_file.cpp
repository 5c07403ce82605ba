#include "app/list_file.h"

#include <vector>

#include "settings/params.h"
#include "settings/text.h"
#include "settings/text_file.h"

namespace sentrova {
namespace {

constexpr int kLinesPerRecord = 5;

const char* ByIPText(const ResItem& item) {
  if (item.IsSeparator()) return "-";
  return item.ByIP ? "Y" : "N";
}

int IntOr(const std::string& text, int fallback) {
  int value = 0;
  return ParseInt(text, value) ? value : fallback;
}

std::string TrimLf(const std::string& text) { return TrimRightChar(text, '\n'); }

}  // namespace

std::int32_t UnconfirmedImage(std::int32_t iconBase) {
  switch (iconBase) {
    case kIconSeparator:
      return kImageSeparator;
    case kIconServer:
      return 11;
    case kIconPrinter:
      return 14;
    case kIconDevice:
      return 17;
    default:
      return 2;
  }
}

const char* ListFileName(int platformCode) {
  switch (platformCode) {
    case 0:
      return "Sentrova.32s";
    case 1:
      return "Sentrova.9x";
    case 2:
      return "Sentrova.NT";
    default:
      return "Sentrova.dat";
  }
}

bool ReadRow(ResItem& item, const TermList& list, std::size_t index) {
  if (index >= list.Count()) return false;
  const ListRow& row = list.Row(index);
  item.Image = row.ImageIndex;
  item.OrgIndex = DataOrgIndex(row.Data);
  item.User = row.Caption;
  item.Resource = row.SubItems[kSubResource];
  item.State = DataState(row.Data);
  item.StateText = row.SubItems[kSubState];
  item.Domain = row.SubItems[kSubDomain];
  item.LoginAction = row.SubItems[kSubLoginAction];
  item.LogoutAction = row.SubItems[kSubLogoutAction];
  item.Provider = row.SubItems[kSubProvider];
  item.IP = row.SubItems[kSubIP];
  item.ByIP = row.SubItems[kSubByIP] == "Y";
  item.MacAddr = row.SubItems[kSubMac];
  item.PingResult = row.SubItems[kSubPingResult];
  item.IconBase = DataIconBase(row.Data);
  item.Top = row.Top;
  item.Left = row.Left;
  return true;
}

ListRow RowFromItem(const ResItem& item) {
  ListRow row;
  row.Caption = item.User;
  row.SubItems[kSubResource] = item.Resource;
  row.SubItems[kSubState] = item.StateText;
  row.SubItems[kSubDomain] = item.Domain;
  row.SubItems[kSubLoginAction] = item.LoginAction;
  row.SubItems[kSubLogoutAction] = item.LogoutAction;
  row.SubItems[kSubProvider] = item.Provider;
  row.SubItems[kSubIP] = item.IP;
  row.SubItems[kSubByIP] = ByIPText(item);
  row.SubItems[kSubPingResult] = item.PingResult;
  row.SubItems[kSubMac] = item.MacAddr;
  row.ImageIndex = item.Image;
  row.Data = PackDataWord(item.IconBase, item.State, item.OrgIndex);
  row.Top = item.Top;
  row.Left = item.Left;
  return row;
}

void WriteRow(const ResItem& item, TermList& list, std::size_t index) {
  if (index >= list.Count()) return;
  list.Set(index, RowFromItem(item));
}

bool AppendRow(const ResItem& item, TermList& list) {
  ListRow row = RowFromItem(item);
  // A negative position leaves the icon for the list to place.
  if (item.Top < 0) row.Top = -1;
  if (item.Left < 0) row.Left = -1;
  list.Add(std::move(row));
  return true;
}

bool SaveList(const TermList& list, const std::string& path, std::string* errorText) {
  std::vector<std::string> lines;
  lines.reserve(list.Count() * kLinesPerRecord);
  for (const ListRow& row : list.Rows()) {
    const std::string& ip = row.SubItems[kSubIP];
    // Addresses the program found by itself are looked up again next time.
    const std::string keptIP = (!ip.empty() && ip[0] == '*') ? std::string() : ip;
    lines.push_back(row.SubItems[kSubResource] + '\t' + keptIP + '\t' + row.SubItems[kSubByIP] + '\t' +
                    std::to_string(DataIconBase(row.Data)) + '\t' + std::to_string(row.Top) + '\t' +
                    std::to_string(row.Left) + '\t' + row.SubItems[kSubMac]);
    lines.push_back(row.Caption);
    lines.push_back(row.SubItems[kSubLoginAction]);
    lines.push_back(row.SubItems[kSubLogoutAction]);
    lines.push_back(row.SubItems[kSubDomain] + '\t' + row.SubItems[kSubProvider]);
  }
  return WriteCp932Lines(path, lines, errorText);
}

void AppendListLines(TermList& list, const std::vector<std::string>& lines) {
  list.BeginUpdate();
  ResItem item;
  const std::size_t usable = lines.size() - lines.size() % kLinesPerRecord;
  for (std::size_t i = 0; i < usable; ++i) {
    const std::string& line = lines[i];
    switch (i % kLinesPerRecord) {
      case 0:
        item = ResItem();
        item.Resource = TrimLeftChar(FieldOf(line, '\t', 0), '\\');
        item.IP = FieldOf(line, '\t', 1);
        item.ByIP = FieldOf(line, '\t', 2) == "Y";
        item.IconBase = IntOr(FieldOf(line, '\t', 3), 0);
        item.Top = IntOr(FieldOf(line, '\t', 4), -1);
        item.Left = IntOr(TrimLf(FieldOf(line, '\t', 5)), -1);
        item.MacAddr = TrimLf(FieldOf(line, '\t', 6));
        if (!item.IP.empty() && item.IP[0] == '*') item.IP.clear();
        break;
      case 1:
        item.User = TrimLf(line);
        break;
      case 2:
        item.LoginAction = TrimLf(line);
        break;
      case 3:
        item.LogoutAction = TrimLf(line);
        break;
      case 4: {
        item.Domain = FieldOf(line, '\t', 0);
        item.Provider = TrimLf(FieldOf(line, '\t', 1));
        if (item.IsSeparator()) {
          item.StateText = kSeparatorResource;
          item.IconBase = kIconSeparator;
        } else {
          item.StateText = kTextUnconfirmed;
        }
        std::string normalized;
        if (!item.IP.empty() && NormalizeIP(item.IP, normalized)) item.IP = normalized;
        item.Image = UnconfirmedImage(item.IconBase);
        item.State = item.Image;
        item.OrgIndex = static_cast<std::uint32_t>(i / kLinesPerRecord) & 0xFFFFu;
        item.PingResult.clear();
        AppendRow(item, list);
        break;
      }
    }
  }
  list.EndUpdate();
}

bool LoadList(TermList& list, const std::string& path) {
  std::vector<std::string> lines;
  if (!ReadCp932Lines(path, lines)) return false;
  AppendListLines(list, lines);
  return true;
}

}  // namespace sentrova
