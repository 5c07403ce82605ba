#include "platform/sound_alsa.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace sentrova {

namespace {

// A device that takes no frames for this long counts as broken.
constexpr int kStallLimitMs = 2000;
constexpr int kWaitSliceMs = 100;

// ALSA reports its errors on stderr by default; this program logs nothing.
void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

class AlsaStream : public AudioStream {
 public:
  AlsaStream(snd_pcm_t* pcm, int sampleRate, int channels)
      : pcm_(pcm), rate_(sampleRate), channels_(channels) {}
  ~AlsaStream() override {
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
  }

  bool Write(const std::int16_t* frames, std::size_t count) override {
    int stalledMs = 0;
    while (count > 0) {
      const snd_pcm_sframes_t n = snd_pcm_writei(pcm_, frames, count);
      if (n == -EAGAIN) {
        // The device opened non-blocking: wait for room, a slice at a time.
        const int w = snd_pcm_wait(pcm_, kWaitSliceMs);
        if (w == 0) {
          stalledMs += kWaitSliceMs;
          if (stalledMs >= kStallLimitMs) return false;
        } else if (w < 0 && snd_pcm_recover(pcm_, w, 1) < 0) {
          return false;
        }
        continue;
      }
      if (n < 0) {
        if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) return false;
        continue;
      }
      stalledMs = 0;
      frames += static_cast<std::size_t>(n) * static_cast<std::size_t>(channels_);
      count -= static_cast<std::size_t>(n);
    }
    return true;
  }

  void Drain() override {
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm_, &delay) < 0 || delay < 0) delay = 0;
    // Non-blocking: the drain only begins here; wait for it within a bound.
    if (snd_pcm_drain(pcm_) != -EAGAIN) return;
    const auto limit = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(1000 + 1000 * static_cast<long long>(delay) / rate_);
    while (snd_pcm_state(pcm_) == SND_PCM_STATE_DRAINING && std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

 private:
  snd_pcm_t* const pcm_;
  const int rate_;
  const int channels_;
};

}  // namespace

AlsaAudioOutput::AlsaAudioOutput(std::string device) : device_(std::move(device)) {
  static std::once_flag silenced;
  std::call_once(silenced, [] { snd_lib_error_set_handler(&SilentAlsaErrors); });
}

std::string AlsaAudioOutput::DeviceFromEnvironment() {
  const char* device = std::getenv("SENTROVA_ALSA_DEVICE");
  return (device && *device) ? device : "default";
}

std::unique_ptr<AudioStream> AlsaAudioOutput::Open(int sampleRate, int channels) {
  snd_pcm_t* pcm = nullptr;
  // Non-blocking, so that a device in use by someone else fails at once
  // instead of making us wait for it.
  if (snd_pcm_open(&pcm, device_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return nullptr;
  if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, static_cast<unsigned>(channels),
                         static_cast<unsigned>(sampleRate), 1, 100000) < 0) {
    snd_pcm_close(pcm);
    return nullptr;
  }
  return std::make_unique<AlsaStream>(pcm, sampleRate, channels);
}

}  // namespace sentrova
