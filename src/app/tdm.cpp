#include "app/tdm.h"

#include "platform/icmp_services_linux.h"
#include "platform/samba_net_api.h"

namespace sentrova {

namespace {

// Until the SMB browse list is wired in, no container can be found.
class NoBrowseList : public BrowseSource {
 public:
  int Open(std::uint32_t, std::uint32_t, std::uint32_t, const NetResource&,
           std::unique_ptr<BrowseEnumeration>&) override {
    return kBrowseBadNetName;
  }
};

}  // namespace

Tdm::Tdm(Dispatcher& dispatcher)
    : audio_(AlsaAudioOutput::DeviceFromEnvironment()),
      sound_(audio_),
      icmp_(MakeLinuxIcmpServices(), &dispatcher),
      browse_(std::make_unique<NoBrowseList>()),
      netLoader_(MakeSambaNetApiLoader()) {}

MainServices Tdm::Services() {
  return MainServices{starter_, sound_, powerOffRight_, shutdown_, clock_, opener_, icmp_, *browse_, *netLoader_};
}

}  // namespace sentrova
