// One watched terminal: the record form of one row of a terminal list.
#pragma once

#include <cstdint>
#include <string>

namespace sentrova {

// State codes of a terminal.
enum TermState : std::int32_t {
  kStateLogin = 0,
  kStateLogout = 1,
  kStateUnconfirmed = 2,
  kStateRest = 3,
  kStateError = 4,
};

// Kinds, by the first picture of each kind.
enum IconKind : std::int32_t {
  kIconPC = 0,
  kIconSeparator = 8,
  kIconServer = 9,
  kIconPrinter = 12,
  kIconDevice = 15,
};

// Pictures that are not a kind's own.
enum ImageIndex : std::int32_t {
  kImageRest = 3,
  kImageError = 4,
  kImageNetwork = 5,
  kImageProgram = 6,
  kImageNote = 7,
  kImageSeparator = 8,
};

inline constexpr const char* kSeparatorResource = "-----";
inline constexpr const char* kTextLogin = "ﾛｸﾞｲﾝ";
inline constexpr const char* kTextLogout = "ﾛｸﾞｱｳﾄ";
inline constexpr const char* kTextUnconfirmed = "未確認";
inline constexpr const char* kTextRest = "お休み";
inline constexpr const char* kTextError = "ﾈｯﾄﾜｰｸ監視ｴﾗｰ";

struct ResItem {
  std::int32_t Image = 0;
  std::uint32_t OrgIndex = 0;  // 0..65535
  std::string User;
  std::string Resource;
  std::int32_t State = 0;  // 0..255
  std::string StateText;
  std::string Domain;
  std::string LoginAction;
  std::string LogoutAction;
  std::string Provider;
  std::string IP;
  bool ByIP = false;
  std::string MacAddr;
  std::string PingResult;
  std::int32_t IconBase = 0;  // 0..255
  std::int32_t Top = -1;
  std::int32_t Left = -1;
  bool Skip = false;

  bool IsSeparator() const { return Resource == kSeparatorResource; }
  bool operator==(const ResItem&) const = default;
};

// The data word of a row: IconBase + State * 256 + OrgIndex * 65536.
inline std::uint32_t PackDataWord(std::int32_t iconBase, std::int32_t state, std::uint32_t orgIndex) {
  return (static_cast<std::uint32_t>(iconBase) & 0xFFu) | ((static_cast<std::uint32_t>(state) & 0xFFu) << 8) |
         ((orgIndex & 0xFFFFu) << 16);
}
inline std::int32_t DataIconBase(std::uint32_t data) { return static_cast<std::int32_t>(data & 0xFFu); }
inline std::int32_t DataState(std::uint32_t data) { return static_cast<std::int32_t>((data >> 8) & 0xFFu); }
inline std::uint32_t DataOrgIndex(std::uint32_t data) { return data >> 16; }

// The picture a freshly loaded terminal of this kind starts with.
std::int32_t UnconfirmedImage(std::int32_t iconBase);

}  // namespace sentrova
