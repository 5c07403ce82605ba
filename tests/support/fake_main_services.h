// Every service of the main window's logic as a fake: nothing is started,
// played, powered off or opened; the fakes keep what they were asked.
#pragma once

#include "app/main_services.h"
#include "support/fake_actions.h"
#include "support/fake_history_seams.h"
#include "support/fake_shutdown_service.h"
#include "support/fake_browse_source.h"
#include "support/fake_net_api.h"
#include "support/icmp_fakes.h"

namespace sentrova::test {

struct FakeMainServices {
  FakeStarter starter;
  FakeSound sound;
  FakePermission powerOffRight{false, "yes"};
  FakeShutdownService shutdown;
  FixedClock clock{LocalDateTime{2010, 1, 5, 9, 8, 7, 2}};
  FakeOpener opener;
  FakeIcmp icmp;
  FakeBrowseSource browse;
  FakeNetApiLoader netLoader;  // no library: the services stay unbound

  MainServices Services() {
    return MainServices{starter, sound, powerOffRight, shutdown, clock, opener, *icmp.icmp, browse, netLoader};
  }
};

}  // namespace sentrova::test
