// The browse list of the SMB network through libsmbclient (loaded at run
// time): the provider "Microsoft Windows Network" lists the workgroups, a
// workgroup its computers, a computer its shares. Workgroup and computer
// lists come from the master browsers over NetBIOS and SMB1; share lists
// work over SMB2/3 as well.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/browse_source.h"

namespace sentrova {

// Further codes this source gives.
inline constexpr int kBrowseNotEnoughMemory = 8;
inline constexpr int kBrowseUnexpectedNetError = 59;
inline constexpr int kBrowseTimeout = 121;
inline constexpr int kBrowseNoNetwork = 1222;  // libsmbclient is missing or cannot start

// Resource types of shares.
inline constexpr std::uint32_t kTypeDisk = 1;
inline constexpr std::uint32_t kTypePrint = 2;

// Entry types of a libsmbclient listing (smbc_dirent::smbc_type).
inline constexpr unsigned kSmbcWorkgroup = 1;
inline constexpr unsigned kSmbcServer = 2;
inline constexpr unsigned kSmbcFileShare = 3;
inline constexpr unsigned kSmbcPrinterShare = 4;
inline constexpr unsigned kSmbcCommsShare = 5;
inline constexpr unsigned kSmbcIpcShare = 6;
inline constexpr unsigned kSmbcDir = 7;
inline constexpr unsigned kSmbcFile = 8;
inline constexpr unsigned kSmbcLink = 9;

// What opening a container asks of the SMB network.
enum class SmbBrowseLevel {
  kNetwork,     // the network itself: its one provider
  kWorkgroups,  // the provider's top level: smb://
  kWorkgroup,   // the computers of a workgroup: smb://WORKGROUP/
  kComputer,    // the shares of a computer: smb://NAME/
  kNone,        // nothing this provider has
};

struct SmbBrowseTarget {
  SmbBrowseLevel Level = SmbBrowseLevel::kNone;
  std::string Url;   // empty for kNetwork and kNone
  std::string Name;  // the workgroup or computer, without backslashes
};

// The SMB side of a container description. A provider other than
// kSmbProviderName (an empty one counts as none) is kNone.
SmbBrowseTarget SmbBrowseTargetOf(const NetResource& container);

// A name as one element of an smb:// URL (UTF-8, percent-escaped).
std::string SmbUrlEscape(std::string_view name);

// The code an open gives for an errno of libsmbclient: a missing
// workgroup (or no master browser at all) is "bad net name", a computer that
// cannot be reached is "bad net path", a refusal "access denied".
// libsmbclient reports a failed logon and a refused access alike (EACCES), so
// "not authenticated" never comes from here; the checks treat both the same.
int SmbOpenErrorCode(int err, SmbBrowseLevel level);

// An entry of a libsmbclient listing (smbc_dirent type, name, comment) as a
// browse entry; `computer` names the computer whose shares are listed.
// False for what the browse list does not show: files, directories, IPC and
// hidden ("$") shares.
bool SmbEntryToNetResource(unsigned smbcType, const std::string& name, const std::string& comment,
                           const std::string& computer, NetResource& out);

// An enumeration of entries read beforehand: each Next gives as many as fit
// the buffer (NetResourceBytes each), kBrowseMoreData when the next one
// alone does not, kBrowseNoMoreItems after the last.
std::unique_ptr<BrowseEnumeration> MakeListedEnumeration(std::vector<NetResource> entries);

// The one entry of the network level: the provider.
NetResource SmbProviderEntry();

// Browsing through libsmbclient. Thread-safe: every use of the library holds
// its process-wide lock (SmbClientLibrary::ProcessLock). The library is loaded and its contexts made on the first Open;
// when that fails every Open gives kBrowseNoNetwork.
class SmbBrowseSource : public BrowseSource {
 public:
  struct Options {
    std::string LibraryName = "libsmbclient.so.0";
    // An smb.conf of Sentrova's own, read after the user's; empty for none.
    std::string ConfigFile;
    // Limit of each request to a server, in milliseconds.
    int TimeoutMs = 5000;
    // libsmbclient's debug level; above 0 its messages go to stderr.
    int DebugLevel = 0;
  };

  SmbBrowseSource();
  explicit SmbBrowseSource(Options options);
  ~SmbBrowseSource() override;
  SmbBrowseSource(const SmbBrowseSource&) = delete;
  SmbBrowseSource& operator=(const SmbBrowseSource&) = delete;

  int Open(std::uint32_t scope, std::uint32_t type, std::uint32_t usage, const NetResource& container,
           std::unique_ptr<BrowseEnumeration>& out) override;

 private:
  struct Library;

  // Lists the target's URL into entries; a browse code.
  int List(const SmbBrowseTarget& target, std::vector<NetResource>& entries);

  Options options_;
  bool tried_ = false;
  std::unique_ptr<Library> lib_;
};

}  // namespace sentrova
