// The main window's shared state: the terminal list, the busy and closing
// flags and the lists a check and the access watch fill. Main thread only.
#pragma once

#include <string>
#include <vector>

#include "app/term_list.h"

namespace sentrova {

struct MainState {
  TermList MainList;
  // A check, an access check, a dialog or an action is running.
  bool Busy = false;
  // The window is closing, or the session ends.
  bool Closing = false;
  // One line per terminal, user TAB resource, of the current check.
  std::vector<std::string> LoginList, LogoutList, ErrorList;
  std::vector<std::string> AccessList;
};

}  // namespace sentrova
