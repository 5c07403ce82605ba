// The data module: the program's long-lived service objects, created first
// and destroyed last.
#pragma once

#include "app/main_services.h"
#include <memory>

#include "access/net_api.h"
#include "discovery/browse_source.h"
#include "platform/local_clock.h"
#include "platform/logind_permission.h"
#include "platform/logind_shutdown.h"
#include "platform/sound_alsa.h"
#include "platform/spawn_process_starter.h"
#include "platform/xdg_file_opener.h"
#include "settings/sound.h"
#include "tcpip/icmp.h"

namespace sentrova {

class Dispatcher;

class Tdm {
 public:
  // The dispatcher delivers the ICMP component's lookups; it must outlive Tdm.
  explicit Tdm(Dispatcher& dispatcher);
  Tdm(const Tdm&) = delete;
  Tdm& operator=(const Tdm&) = delete;

  MainServices Services();

 private:
  SpawnProcessStarter starter_;
  AlsaAudioOutput audio_;
  WavePlayer sound_;  // after audio_: it plays through it
  LogindPowerOffPermission powerOffRight_;
  LogindShutdownService shutdown_;
  LocalHistoryClock clock_;
  XdgFileOpener opener_;
  TIcmp icmp_;
  std::unique_ptr<BrowseSource> browse_;
  std::unique_ptr<NetApiLoader> netLoader_;
};

}  // namespace sentrova
