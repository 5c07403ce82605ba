#include "settings/sound.h"

#include <sndfile.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "settings/text.h"

namespace sentrova {

namespace {

namespace fs = std::filesystem;

bool IsFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// The Windows system-sound aliases and the freedesktop sounds that stand
// for them.
std::string ThemeSoundName(const std::string& name) {
  static constexpr struct {
    const char* alias;
    const char* sound;
  } kAliases[] = {
      {"SYSTEMASTERISK", "dialog-information"}, {"SYSTEMEXCLAMATION", "dialog-warning"},
      {"SYSTEMHAND", "dialog-error"},           {"SYSTEMQUESTION", "dialog-question"},
      {"SYSTEMDEFAULT", "bell"},                {"SYSTEMSTART", "service-login"},
      {"SYSTEMEXIT", "service-logout"},
  };
  const std::string upper = ToUpperAscii(name);
  for (const auto& a : kAliases)
    if (upper == a.alias) return a.sound;
  return name;
}

struct SndFileCloser {
  void operator()(SNDFILE* f) const { sf_close(f); }
};

}  // namespace

std::vector<std::string> SoundDataDirsFromEnvironment() {
  std::vector<std::string> dirs;
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  if (dataHome && *dataHome) {
    dirs.emplace_back(dataHome);
  } else if (home && *home) {
    dirs.push_back(std::string(home) + "/.local/share");
  }
  const char* dataDirs = std::getenv("XDG_DATA_DIRS");
  const std::string list = (dataDirs && *dataDirs) ? dataDirs : "/usr/local/share:/usr/share";
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find(':', start), list.size());
    if (end > start) dirs.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return dirs;
}

std::string ResolveSoundFile(const std::string& name, const std::vector<std::string>& dataDirs) {
  if (name.empty()) return {};
  if (IsFile(name)) return name;
  // Only a plain name may be looked up, so that it cannot reach outside the
  // theme's folder.
  if (name.find('/') != std::string::npos || name[0] == '.') return {};
  const std::string sound = ThemeSoundName(name);
  for (std::string dir : dataDirs) {
    if (dir.empty()) continue;
    if (dir.back() != '/') dir += '/';
    for (const char* ext : {".oga", ".ogg", ".wav"}) {
      const std::string path = dir + "sounds/freedesktop/stereo/" + sound + ext;
      if (IsFile(path)) return path;
    }
  }
  return {};
}

struct WavePlayer::Job {
  std::string path;
  bool decided = false;  // whether playing could start is known
  bool started = false;
  bool done = false;  // the sound has ended (or never began)
};

WavePlayer::WavePlayer(AudioOutput& output, std::vector<std::string> dataDirs)
    : output_(output), dataDirs_(std::move(dataDirs)), thread_([this] { Run(); }) {}

WavePlayer::~WavePlayer() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

bool WavePlayer::PlayWaveFile(const std::string& name, bool wait) {
  const std::string path = ResolveSoundFile(name, dataDirs_);
  std::unique_lock lock(mutex_);
  if (path.empty() || quit_) {
    ++stats_.failed;
    return false;
  }
  if (pending_) {
    // A sound asked for a moment ago that the player has not taken up yet:
    // it begins and is cut off at once.
    pending_->decided = pending_->started = pending_->done = true;
    ++stats_.started;
    ++stats_.cutOff;
  }
  auto job = std::make_shared<Job>();
  job->path = path;
  pending_ = job;
  wake_.notify_all();
  done_.notify_all();
  done_.wait(lock, [&] { return job->decided; });
  if (!job->started) return false;
  if (wait) done_.wait(lock, [&] { return job->done; });
  return true;
}

SoundStats WavePlayer::Stats() const {
  std::lock_guard lock(mutex_);
  return stats_;
}

bool WavePlayer::CutOffRequested() const { return quit_ || pending_ != nullptr; }

bool WavePlayer::SleepUnlessCutOff(double seconds) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return CutOffRequested(); });
}

void WavePlayer::Run() {
  for (;;) {
    std::shared_ptr<Job> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return quit_ || pending_ != nullptr; });
      if (quit_) {
        if (pending_) {
          pending_->decided = pending_->done = true;
          pending_.reset();
          done_.notify_all();
        }
        return;
      }
      job = std::move(pending_);
    }
    Play(*job);
  }
}

void WavePlayer::Play(Job& job) {
  auto decide = [&](bool started) {
    std::lock_guard lock(mutex_);
    job.decided = true;
    job.started = started;
    if (started) {
      ++stats_.started;
    } else {
      job.done = true;
      ++stats_.failed;
    }
    done_.notify_all();
  };

  SF_INFO info{};
  std::unique_ptr<SNDFILE, SndFileCloser> file(sf_open(job.path.c_str(), SFM_READ, &info));
  if (!file || info.channels < 1 || info.channels > 64 || info.samplerate < 1) {
    decide(false);
    return;
  }
  std::unique_ptr<AudioStream> stream = output_.Open(info.samplerate, info.channels);
  if (!stream) {
    decide(false);
    return;
  }
  decide(true);

  enum class Outcome { kEnd, kCutOff, kError } outcome = Outcome::kEnd;
  constexpr sf_count_t kChunk = 1024;
  std::vector<std::int16_t> buffer(static_cast<std::size_t>(kChunk * info.channels));
  const double rate = info.samplerate;
  const auto begin = std::chrono::steady_clock::now();
  auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(); };
  std::uint64_t written = 0;
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (CutOffRequested()) {
        outcome = Outcome::kCutOff;
        break;
      }
    }
    const sf_count_t n = sf_readf_short(file.get(), buffer.data(), kChunk);
    if (n <= 0) break;
    if (!stream->Write(buffer.data(), static_cast<std::size_t>(n))) {
      outcome = Outcome::kError;
      break;
    }
    written += static_cast<std::uint64_t>(n);
    // A device that takes frames faster than it plays them (or a null
    // device) must not make the sound end early.
    const double ahead = static_cast<double>(written) / rate - elapsed();
    if (ahead > 0.2 && !SleepUnlessCutOff(ahead - 0.1)) {
      outcome = Outcome::kCutOff;
      break;
    }
  }
  if (outcome == Outcome::kEnd) {
    const double remaining = static_cast<double>(written) / rate - elapsed();
    if (remaining > 0 && !SleepUnlessCutOff(remaining)) {
      outcome = Outcome::kCutOff;
    } else {
      stream->Drain();
    }
  }
  stream.reset();
  file.reset();

  std::lock_guard lock(mutex_);
  switch (outcome) {
    case Outcome::kEnd: ++stats_.finished; break;
    case Outcome::kCutOff: ++stats_.cutOff; break;
    case Outcome::kError: ++stats_.failed; break;
  }
  job.done = true;
  done_.notify_all();
}

}  // namespace sentrova
