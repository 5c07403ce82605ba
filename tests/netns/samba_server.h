// A Samba server inside a network namespace, for tests: Debian's smbd (and,
// when asked, nmbd) in the foreground with a configuration, state, lock,
// cache and log directories of its own under a temporary directory, SMB1
// allowed for messages, a share [pub] and a `message command` that stores
// every received message as a file. Stopping kills every process in the
// namespace (smbd's helpers and samba-dcerpcd included) by PID from
// `ip netns pids`.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

#include "support/temp_dir.h"

namespace sentrova::test {

// Why the Samba tests cannot run here (no smbd, smbclient...); empty when
// they can.
std::string SambaUnavailable();

// The path of a system tool (smbd, smbstatus, ip...); empty when it is not
// installed.
std::string FindTool(const std::string& name);

// Kills every process in the namespace except this one (TERM, then KILL),
// waits for it to empty and reaps `ours`, the ones this process started
// there. Bounded.
void KillNamespaceProcesses(const std::string& ns, std::vector<pid_t> ours = {});

// Starts a program inside a namespace (`ip netns exec`, no shell) with its
// standard input from a pipe the caller holds (or /dev/null) and its output
// to a file.
pid_t SpawnInNamespace(const std::string& ns, const std::vector<std::string>& argv, const std::string& logFile,
                       int* stdinWrite);

class SambaServer {
 public:
  struct Options {
    std::string Namespace;
    std::string Address;      // the server's address in the namespace
    std::string NetbiosName;  // at most 15 characters
    std::string Workgroup;
    bool Nmbd = false;
    std::string ServerString = "Sentrova test server";
    // The comment of [pub]; none when empty.
    std::string ShareComment = "";
    // nmbd also becomes the workgroup's domain master browser.
    bool DomainMaster = false;
  };
  explicit SambaServer(Options options);
  ~SambaServer();
  SambaServer(const SambaServer&) = delete;
  SambaServer& operator=(const SambaServer&) = delete;

  // Starts smbd (and nmbd) and waits until smbd takes connections; false
  // with why set when it does not within a few seconds.
  bool Start(std::string& why);
  void Stop();
  // Whether smbd or nmbd has ended since Start.
  bool DaemonEnded();
  // Waits until the server's messenger name (NAME<03>, registered by nmbd)
  // resolves by broadcast from fromNs, as a message's recipient must.
  bool WaitUntilNamed(const std::string& fromNs, const std::string& clientConfig, std::string& why);

  // Rewrites the configuration with or without the message command (a
  // server without one refuses messages). smbd reads it at each connection.
  void AcceptMessages(bool accept);

  const std::string& ConfigFile() const { return configFile_; }
  // Local path of [pub], without a trailing "/".
  const std::string& SharePath() const { return sharePath_; }
  // The text of the message received from sender, once it is stored; empty
  // until then.
  std::string ReceivedMessage(const std::string& sender) const;
  // The end of smbd's output (and nmbd's, when it runs).
  std::string Log() const;

 private:
  void WriteConfig(bool messages);

  Options options_;
  TempDir dir_;
  std::string configFile_, sharePath_, messageDir_;
  std::vector<pid_t> started_;
};

// A smbclient session inside a namespace, kept open while the object lives:
// commands go to its standard input; closing that input ends the session.
class HeldClient {
 public:
  HeldClient(const std::string& ns, const std::vector<std::string>& smbclientArgs, const std::string& logFile);
  ~HeldClient();
  HeldClient(const HeldClient&) = delete;
  HeldClient& operator=(const HeldClient&) = delete;

  bool Running() const { return pid_ > 0; }
  void Command(const std::string& line);
  // Ends the session and waits for smbclient (bounded; killed when late).
  void Close();

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
};

// A client configuration with its own cache and lock directories (nothing
// touches the machine's Samba state): name resolution from the hosts file,
// then by broadcast, SMB1 allowed and CP932 as the DOS character set; with
// clientDefaults, by broadcast only and otherwise Samba's client defaults.
std::string WriteClientConfig(const TempDir& dir, const std::string& workgroup, bool clientDefaults = false);

}  // namespace sentrova::test
