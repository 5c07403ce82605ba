// The system services the main window's logic works through. The program
// hands it the real ones held by the data module (Tdm); tests hand it fakes.
#pragma once

namespace sentrova {

class ProcessStarter;
class SoundPlayer;
class PowerOffPermission;
class ShutdownService;
class HistoryClock;
class HistoryFileOpener;

struct MainServices {
  ProcessStarter& Starter;
  SoundPlayer& Sound;
  PowerOffPermission& PowerOffRight;
  ShutdownService& Shutdown;
  HistoryClock& Clock;
  HistoryFileOpener& Opener;
};

}  // namespace sentrova
