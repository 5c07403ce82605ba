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
class TIcmp;
class BrowseSource;
class NetApiLoader;

struct MainServices {
  ProcessStarter& Starter;
  SoundPlayer& Sound;
  PowerOffPermission& PowerOffRight;
  ShutdownService& Shutdown;
  HistoryClock& Clock;
  HistoryFileOpener& Opener;
  TIcmp& Icmp;  // the one ICMP component, shared with the check thread
  BrowseSource& Browse;  // the network browse list
  NetApiLoader& NetLoader;  // loads the server and messenger services
};

}  // namespace sentrova
