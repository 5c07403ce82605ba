// Playing WAV files (and the desktop's system sounds) on a thread of the
// player's own.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace sentrova {

// What the code that reports events sees of sound.
class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;

  // wait false: start playing and return at once; wait true: return when
  // the sound has ended. Any new sound cuts off the one playing. name is a
  // sound file, or else the name of a system sound. True when playing could
  // start.
  virtual bool PlayWaveFile(const std::string& name, bool wait) = 0;
};

// One opened sound device, taking interleaved signed 16-bit frames.
class AudioStream {
 public:
  virtual ~AudioStream() = default;  // closes, dropping what is still queued

  // Queues the frames; may block while the device is full, but only for a
  // bounded time. False on a device error.
  virtual bool Write(const std::int16_t* frames, std::size_t count) = 0;

  // Waits, for a bounded time, until the queued frames have been heard.
  virtual void Drain() = 0;
};

// The sound device.
class AudioOutput {
 public:
  virtual ~AudioOutput() = default;

  // Opens the device, never waiting for a busy one; nullptr when there is
  // no usable device.
  virtual std::unique_ptr<AudioStream> Open(int sampleRate, int channels) = 0;
};

// The data folders searched for the freedesktop sound theme:
// $XDG_DATA_HOME (default ~/.local/share), then $XDG_DATA_DIRS (default
// /usr/local/share:/usr/share).
std::vector<std::string> SoundDataDirsFromEnvironment();

// The file to play for name: name itself when it is a file; else, when name
// can be a sound name (no "/", not starting with "."), the freedesktop
// theme's sound of that name under DIR/sounds/freedesktop/stereo/ of the
// first data folder that has one (.oga, .ogg or .wav). The Windows aliases of
// the system sounds ("SystemAsterisk" and the like) stand for the theme's
// matching sounds. Empty when there is no such sound.
std::string ResolveSoundFile(const std::string& name, const std::vector<std::string>& dataDirs);

// Counts of what the player did, for whoever wants to observe it.
struct SoundStats {
  std::uint64_t started = 0;   // sounds that began playing
  std::uint64_t finished = 0;  // sounds played to their end
  std::uint64_t cutOff = 0;    // sounds stopped by a newer one or by the player's end
  std::uint64_t failed = 0;    // files or devices that could not be opened, device errors
};

// Decodes with libsndfile (WAV, and whatever else it reads: Ogg/Vorbis,
// FLAC, ...) and plays through an AudioOutput on its own thread. A sound is
// played in real time even on a device that takes frames faster (ALSA's
// "null"): a synchronous play returns no earlier than the sound's length
// after it began. PlayWaveFile may be called from any thread. Destroying the
// player (when no call is in progress) cuts off the sound and joins the
// thread, so it is safe at program exit.
class WavePlayer : public SoundPlayer {
 public:
  explicit WavePlayer(AudioOutput& output, std::vector<std::string> dataDirs = SoundDataDirsFromEnvironment());
  ~WavePlayer() override;
  WavePlayer(const WavePlayer&) = delete;
  WavePlayer& operator=(const WavePlayer&) = delete;

  bool PlayWaveFile(const std::string& name, bool wait) override;

  SoundStats Stats() const;

 private:
  struct Job;
  void Run();
  void Play(Job& job);
  bool CutOffRequested() const;  // mutex_ held
  // Sleeps up to `seconds`; false when cut off meanwhile.
  bool SleepUnlessCutOff(double seconds);

  AudioOutput& output_;
  const std::vector<std::string> dataDirs_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;  // the player thread: new job or quit
  std::condition_variable done_;  // callers: a job was decided or ended
  std::shared_ptr<Job> pending_;
  bool quit_ = false;
  SoundStats stats_;
  std::thread thread_;
};

}  // namespace sentrova
