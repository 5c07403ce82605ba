#include "settings/sound.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sound_alsa.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

constexpr int kRate = 8000;

// Writes a sine tone of the given length with libsndfile.
void WriteTone(const std::string& path, double seconds, int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16,
               int channels = 1) {
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  const auto frames = static_cast<std::size_t>(seconds * kRate);
  std::vector<float> samples(frames * static_cast<std::size_t>(channels));
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = 0.3f * static_cast<float>(std::sin(static_cast<double>(i / static_cast<std::size_t>(channels)) * 0.3));
  EXPECT_EQ(sf_writef_float(file, samples.data(), static_cast<sf_count_t>(frames)), static_cast<sf_count_t>(frames));
  sf_close(file);
}

class Sound : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Sound goes to ALSA's null device, also when the tests run outside ctest.
    setenv("SENTROVA_ALSA_DEVICE", "null", 1);
  }

  Sound() : output_(AlsaAudioOutput::DeviceFromEnvironment()) {}

  std::string Tone(const std::string& name, double seconds) {
    const std::string path = dir_.File(name);
    WriteTone(path, seconds);
    return path;
  }

  test::TempDir dir_;
  AlsaAudioOutput output_;
};

TEST_F(Sound, DeviceComesFromTheEnvironment) { EXPECT_EQ(AlsaAudioOutput::DeviceFromEnvironment(), "null"); }

TEST_F(Sound, SyncPlayReturnsWhenTheSoundHasEnded) {
  const std::string tone = Tone("tone.wav", 0.3);
  WavePlayer player(output_, {});
  const auto before = std::chrono::steady_clock::now();
  ASSERT_TRUE(player.PlayWaveFile(tone, true));
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - before;
  const SoundStats stats = player.Stats();
  EXPECT_EQ(stats.started, 1u);
  EXPECT_EQ(stats.finished, 1u);  // counted before the call returned
  EXPECT_EQ(stats.cutOff, 0u);
  EXPECT_EQ(stats.failed, 0u);
  // The null device takes frames at any speed; the player still keeps time.
  EXPECT_GE(took.count(), 0.3);
}

TEST_F(Sound, AsyncPlayReturnsAtOnceAndANewSoundCutsItOff) {
  const std::string longTone = Tone("long.wav", 30);
  const std::string shortTone = Tone("short.wav", 0.2);
  WavePlayer player(output_, {});
  ASSERT_TRUE(player.PlayWaveFile(longTone, false));
  SoundStats stats = player.Stats();
  EXPECT_EQ(stats.started, 1u);
  EXPECT_EQ(stats.finished, 0u);  // thirty seconds long: still playing
  EXPECT_EQ(stats.cutOff, 0u);

  ASSERT_TRUE(player.PlayWaveFile(shortTone, true));
  stats = player.Stats();
  EXPECT_EQ(stats.started, 2u);
  EXPECT_EQ(stats.cutOff, 1u);    // the long one
  EXPECT_EQ(stats.finished, 1u);  // the short one, to its end

  // A third async sound is cut off by the player's end (the destructor
  // returns instead of waiting thirty seconds).
  ASSERT_TRUE(player.PlayWaveFile(longTone, false));
}

TEST_F(Sound, WhatCannotPlayGivesFalseAtOnce) {
  const std::string tone = Tone("tone.wav", 0.1);
  const std::string text = dir_.File("not-a-sound.wav");
  test::WriteBytes(text, "RIFF? no, just text\r\n");
  WavePlayer player(output_, {});
  EXPECT_FALSE(player.PlayWaveFile(dir_.File("missing.wav"), true));
  EXPECT_FALSE(player.PlayWaveFile(dir_.File("missing.wav"), false));
  EXPECT_FALSE(player.PlayWaveFile(text, true));
  EXPECT_FALSE(player.PlayWaveFile("", false));
  EXPECT_FALSE(player.PlayWaveFile(dir_.path(), true));  // a folder

  AlsaAudioOutput noDevice("nonexistent_device_xyz");
  WavePlayer mute(noDevice, {});
  EXPECT_FALSE(mute.PlayWaveFile(tone, true));
  EXPECT_FALSE(mute.PlayWaveFile(tone, false));
  EXPECT_EQ(mute.Stats().started, 0u);
  EXPECT_EQ(mute.Stats().failed, 2u);

  // The player still works after all that.
  EXPECT_TRUE(player.PlayWaveFile(tone, true));
  EXPECT_EQ(player.Stats().finished, 1u);
}

// A device that fails after taking some frames.
class BrokenOutput : public AudioOutput {
 public:
  std::unique_ptr<AudioStream> Open(int, int) override {
    struct Stream : AudioStream {
      bool Write(const std::int16_t*, std::size_t) override { return ++writes < 3; }
      void Drain() override {}
      int writes = 0;
    };
    return std::make_unique<Stream>();
  }
};

TEST_F(Sound, DeviceErrorEndsTheSound) {
  const std::string tone = Tone("tone.wav", 5);
  BrokenOutput broken;
  WavePlayer player(broken, {});
  EXPECT_TRUE(player.PlayWaveFile(tone, true));  // it did start; it returns when it broke off
  const SoundStats stats = player.Stats();
  EXPECT_EQ(stats.started, 1u);
  EXPECT_EQ(stats.failed, 1u);
  EXPECT_EQ(stats.finished, 0u);
}

TEST_F(Sound, SystemSoundNamesComeFromTheFreedesktopTheme) {
  const std::string low = dir_.File("low/");
  const std::string high = dir_.File("high");  // without a trailing "/"
  const std::string lowStereo = low + "sounds/freedesktop/stereo/";
  const std::string highStereo = high + "/sounds/freedesktop/stereo/";
  std::filesystem::create_directories(lowStereo);
  std::filesystem::create_directories(highStereo);
  WriteTone(lowStereo + "bell.oga", 0.1, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
  WriteTone(highStereo + "bell.wav", 0.1);
  WriteTone(lowStereo + "dialog-information.wav", 0.1);
  WriteTone(lowStereo + "service-login.ogg", 0.1, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
  const std::string plain = Tone("plain.wav", 0.1);
  const std::vector<std::string> dirs = {high, "", low};
  struct Case {
    std::string name;
    std::string want;
  } cases[] = {
      {"bell", highStereo + "bell.wav"},  // the first folder that has it
      {"SystemDefault", highStereo + "bell.wav"},
      {"systemasterisk", lowStereo + "dialog-information.wav"},
      {"SystemStart", lowStereo + "service-login.ogg"},
      {"SystemHand", ""},
      {"no-such-sound", ""},
      {"../low/sounds/freedesktop/stereo/bell", ""},
      {".hidden", ""},
      {plain, plain},
      {dir_.File("missing.wav"), ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveSoundFile(c.name, dirs), c.want) << c.name;
  EXPECT_EQ(ResolveSoundFile("bell", {low}), lowStereo + "bell.oga");

  // Ogg/Vorbis theme sounds play too.
  WavePlayer player(output_, {low});
  EXPECT_TRUE(player.PlayWaveFile("bell", true));
  EXPECT_EQ(player.Stats().finished, 1u);
  EXPECT_FALSE(player.PlayWaveFile("no-such-sound", true));
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(SoundDataDirs, FollowTheXdgVariables) {
  {
    ScopedEnv home("XDG_DATA_HOME", "/h/data");
    ScopedEnv dirs("XDG_DATA_DIRS", "/a::/b/");
    EXPECT_EQ(SoundDataDirsFromEnvironment(), (std::vector<std::string>{"/h/data", "/a", "/b/"}));
  }
  ScopedEnv noDataHome("XDG_DATA_HOME", nullptr);
  ScopedEnv noDataDirs("XDG_DATA_DIRS", "");
  ScopedEnv home("HOME", "/home/u");
  EXPECT_EQ(SoundDataDirsFromEnvironment(),
            (std::vector<std::string>{"/home/u/.local/share", "/usr/local/share", "/usr/share"}));
}

}  // namespace
}  // namespace sentrova
