#include "app/tdm.h"

namespace sentrova {

Tdm::Tdm() : audio_(AlsaAudioOutput::DeviceFromEnvironment()), sound_(audio_) {}

MainServices Tdm::Services() {
  return MainServices{starter_, sound_, powerOffRight_, shutdown_, clock_, opener_};
}

}  // namespace sentrova
