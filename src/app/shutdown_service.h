// Powering the machine off, behind a seam: the program's own implementation
// asks the login manager; tests only ever use a fake that records the call.
#pragma once

namespace sentrova {

class ShutdownService {
 public:
  virtual ~ShutdownService() = default;

  // Asks for the machine to be powered off now. False when the request was
  // refused or could not be made.
  virtual bool PowerOff() = 0;
};

}  // namespace sentrova
