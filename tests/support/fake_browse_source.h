// A browse list served from a script: the entries of each container, the
// codes its open, enumeration and close give, and the answer each computer
// gives to the enumeration of its shares.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "discovery/browse_source.h"

namespace sentrova::test {

class FakeBrowseSource : public BrowseSource {
 public:
  // Entries by container remote name; "" is the provider's top level.
  std::map<std::string, std::vector<NetResource>> lists;
  // Open errors by container remote name.
  std::map<std::string, int> openErrors;
  // What opening the shares of a computer ("\\\\PC01") gives; 53 when unset.
  std::map<std::string, int> shareAnswers;
  int nextError = 0;   // given instead of the first batch when not 0
  int closeError = 0;
  std::vector<std::string> opened;  // remote names, in order

  // Adds a workgroup to the top level and computers as its members.
  void AddWorkgroup(const std::string& name, const std::vector<std::string>& computers) {
    lists[""].push_back(Entry(kDisplayDomain, name));
    for (const auto& c : computers) lists[name].push_back(Entry(kDisplayServer, "\\\\" + c));
  }
  static NetResource Entry(std::uint32_t display, const std::string& name, const std::string& comment = "") {
    NetResource r;
    r.DisplayType = display;
    r.RemoteName = name;
    r.Comment = comment;
    r.Provider = kSmbProviderName;
    r.HasProvider = true;
    return r;
  }

  int Open(std::uint32_t, std::uint32_t, std::uint32_t, const NetResource& container,
           std::unique_ptr<BrowseEnumeration>& out) override {
    opened.push_back(container.RemoteName);
    if (container.DisplayType == kDisplayShare) {
      auto it = shareAnswers.find(container.RemoteName);
      const int rc = it == shareAnswers.end() ? kBrowseBadNetPath : it->second;
      if (rc == kBrowseOk) out = std::make_unique<Enumeration>(std::vector<NetResource>{}, 0, 0);
      return rc;
    }
    if (auto it = openErrors.find(container.RemoteName); it != openErrors.end()) return it->second;
    auto it = lists.find(container.RemoteName);
    if (it == lists.end()) return kBrowseBadNetName;
    out = std::make_unique<Enumeration>(it->second, nextError, closeError);
    return kBrowseOk;
  }

 private:
  class Enumeration : public BrowseEnumeration {
   public:
    Enumeration(std::vector<NetResource> entries, int nextError, int closeError)
        : entries_(std::move(entries)), nextError_(nextError), closeError_(closeError) {}
    int Next(std::size_t bufferBytes, std::vector<NetResource>& out) override {
      if (nextError_) return nextError_;
      if (at_ >= entries_.size()) return kBrowseNoMoreItems;
      if (NetResourceBytes(entries_[at_]) > bufferBytes) return kBrowseMoreData;  // does not fit at all
      std::size_t used = 0;
      while (at_ < entries_.size() && used + NetResourceBytes(entries_[at_]) <= bufferBytes) {
        used += NetResourceBytes(entries_[at_]);
        out.push_back(entries_[at_++]);
      }
      return kBrowseOk;
    }
    int Close() override { return closeError_; }

   private:
    std::vector<NetResource> entries_;
    std::size_t at_ = 0;
    int nextError_;
    int closeError_;
  };
};

}  // namespace sentrova::test
