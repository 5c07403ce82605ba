#include "app/tdm.h"

#include "platform/icmp_services_linux.h"

namespace sentrova {

Tdm::Tdm(Dispatcher& dispatcher)
    : audio_(AlsaAudioOutput::DeviceFromEnvironment()), sound_(audio_), icmp_(MakeLinuxIcmpServices(), &dispatcher) {}

MainServices Tdm::Services() {
  return MainServices{starter_, sound_, powerOffRight_, shutdown_, clock_, opener_, icmp_};
}

}  // namespace sentrova
