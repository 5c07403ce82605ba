#include "app/tdm.h"

#include "platform/icmp_services_linux.h"
#include "platform/samba_net_api.h"
#include "platform/smb_browse_linux.h"

namespace sentrova {

Tdm::Tdm(Dispatcher& dispatcher)
    : audio_(AlsaAudioOutput::DeviceFromEnvironment()),
      sound_(audio_),
      icmp_(MakeLinuxIcmpServices(), &dispatcher),
      browse_(std::make_unique<SmbBrowseSource>()),
      netLoader_(MakeSambaNetApiLoader()) {}

MainServices Tdm::Services() {
  return MainServices{starter_, sound_, powerOffRight_, shutdown_, clock_, opener_, icmp_, *browse_, *netLoader_};
}

}  // namespace sentrova
