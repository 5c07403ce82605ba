// Fakes for starting programs, playing sounds and asking for the right to
// power off: they record what they were asked and start, play and ask nothing.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "settings/process_starter.h"
#include "settings/shutdown_privilege.h"
#include "settings/sound.h"

namespace sentrova::test {

class FakeStarter : public ProcessStarter {
 public:
  bool Start(const std::vector<std::string>& argv) override {
    started.push_back(argv);
    return result;
  }
  bool result = true;
  std::vector<std::vector<std::string>> started;
};

class FakeSound : public SoundPlayer {
 public:
  bool PlayWaveFile(const std::string& name, bool wait) override {
    played.emplace_back(name, wait);
    return false;
  }
  std::vector<std::pair<std::string, bool>> played;
};

class FakePermission : public PowerOffPermission {
 public:
  FakePermission(bool root, std::string answer) : root_(root), answer_(std::move(answer)) {}
  bool IsSuperUser() const override { return root_; }
  std::string CanPowerOff() override {
    ++asked;
    return answer_;
  }
  int asked = 0;

 private:
  bool root_;
  std::string answer_;
};

}  // namespace sentrova::test
