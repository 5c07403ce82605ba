// The network browse list: containers (providers, domains or workgroups,
// computers) opened as enumerations of their entries, with the result codes
// the checks rely on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sentrova {

// Result codes.
inline constexpr int kBrowseOk = 0;
inline constexpr int kBrowseAccessDenied = 5;
inline constexpr int kBrowseBadNetPath = 53;
inline constexpr int kBrowseBadNetName = 67;      // the container does not exist
inline constexpr int kBrowseMoreData = 234;       // an entry does not fit in the buffer
inline constexpr int kBrowseNoMoreItems = 259;    // end of the enumeration
inline constexpr int kBrowseNotAuthenticated = 1244;

// Scopes, types, display types and usages of a resource.
inline constexpr std::uint32_t kScopeConnected = 1;
inline constexpr std::uint32_t kScopeGlobalNet = 2;
inline constexpr std::uint32_t kTypeAny = 0;
inline constexpr std::uint32_t kDisplayGeneric = 0;
inline constexpr std::uint32_t kDisplayDomain = 1;
inline constexpr std::uint32_t kDisplayServer = 2;
inline constexpr std::uint32_t kDisplayShare = 3;
inline constexpr std::uint32_t kDisplayNetwork = 6;
inline constexpr std::uint32_t kUsageConnectable = 1;
inline constexpr std::uint32_t kUsageContainer = 2;
inline constexpr std::uint32_t kUsageReservedContainer = 0x80000002u;

// The provider name under which SMB networks are listed.
inline constexpr const char* kSmbProviderName = "Microsoft Windows Network";

// One entry of the browse list (or the description of a container to open).
struct NetResource {
  std::uint32_t Scope = 0;
  std::uint32_t Type = 0;
  std::uint32_t DisplayType = 0;
  std::uint32_t Usage = 0;
  std::string RemoteName;  // computers with leading "\\"
  std::string Comment;
  std::string Provider;
  bool HasProvider = false;  // false: no provider named (a null provider)
};

// Bytes an entry takes in an enumeration buffer: the fixed record and its
// texts with their terminators.
std::size_t NetResourceBytes(const NetResource& r);
// The size of the buffers the checks enumerate into.
inline constexpr std::size_t kBrowseBufferBytes = 16384;

class BrowseEnumeration {
 public:
  virtual ~BrowseEnumeration() = default;
  // Appends to `out` the next entries that fit in bufferBytes; kBrowseOk when
  // some were given, kBrowseNoMoreItems at the end, another code on failure.
  virtual int Next(std::size_t bufferBytes, std::vector<NetResource>& out) = 0;
  // Ends the enumeration; kBrowseOk or a failure code.
  virtual int Close() = 0;
};

class BrowseSource {
 public:
  virtual ~BrowseSource() = default;
  // Opens an enumeration of the container described by `container`.
  // kBrowseOk with `out` set, or a failure code (kBrowseBadNetName when the
  // container does not exist).
  virtual int Open(std::uint32_t scope, std::uint32_t type, std::uint32_t usage, const NetResource& container,
                   std::unique_ptr<BrowseEnumeration>& out) = 0;
};

}  // namespace sentrova
