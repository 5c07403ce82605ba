// The sound device through ALSA.
#pragma once

#include <memory>
#include <string>

#include "settings/sound.h"

namespace sentrova {

class AlsaAudioOutput : public AudioOutput {
 public:
  // device is an ALSA PCM name ("default", "null", "hw:0", ...).
  explicit AlsaAudioOutput(std::string device);

  // $SENTROVA_ALSA_DEVICE, else "default".
  static std::string DeviceFromEnvironment();

  std::unique_ptr<AudioStream> Open(int sampleRate, int channels) override;

 private:
  const std::string device_;
};

}  // namespace sentrova
