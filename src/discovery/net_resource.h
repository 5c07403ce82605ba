// Looking up names in the browse list: the lookup shared by the check
// thread, the list editor and the properties window, and the check of one
// terminal by browsing.
#pragma once

#include <string>

#include "discovery/browse_source.h"

namespace sentrova {

// Kind codes of what a lookup found.
inline constexpr int kKindOther = 0;
inline constexpr int kKindDomain = 5;
inline constexpr int kKindProvider = 7;

// What the properties window shows about one entry of the network; the
// lookup fills the kind, the container, the comment and the provider.
struct ServerStat {
  int KindCode = kKindOther;
  std::string Container;
  std::string Comment;
  std::string Provider;
};

// Results of a lookup.
inline constexpr int kFound = 1;
inline constexpr int kNotFound = 2;
inline constexpr int kLookupError = 3;

// Looks `name` up among the entries of `container`. stat.KindCode chooses the
// enumeration (7: the provider's top level, else a container's members).
int FindNetResource(BrowseSource& source, const std::string& container, const std::string& provider,
                    const std::string& name, ServerStat& stat);

// Looks the terminal `resource` up among the members of `domain`; with
// `strict`, a listed computer must also let its shares be enumerated.
int CheckByBrowse(BrowseSource& source, const std::string& domain, const std::string& provider,
                  const std::string& resource, bool strict);

}  // namespace sentrova
