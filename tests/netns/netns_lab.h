// Test hosts made of network namespaces. A lab creates namespaces joined by
// veth pairs (a router is just a namespace with forwarding on), runs test
// code on a thread inside one of them, and removes every namespace and its
// /etc/netns/NAME folder when it goes, also when the test failed. Names are
// unique per process; namespaces left by a killed run are removed by the
// next lab.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sentrova::test {

// Why namespace tests cannot run here (not root, no `ip netns`); empty when
// they can.
std::string NetnsUnavailable();

class NetnsLab {
 public:
  NetnsLab();
  ~NetnsLab();
  NetnsLab(const NetnsLab&) = delete;
  NetnsLab& operator=(const NetnsLab&) = delete;

  // A new namespace with its loopback up; returns its name.
  std::string Add(const std::string& tag);
  // A veth pair from a to b: the device in a is called "to-" + b's tag (and
  // the other way round), each given its address in CIDR form and set up.
  void Link(const std::string& a, const std::string& cidrA, const std::string& b, const std::string& cidrB);
  // `ip -n ns args...`
  void Ip(const std::string& ns, const std::vector<std::string>& args);
  // Writes /proc/sys/<key> (slashes) as seen inside ns.
  void Sysctl(const std::string& ns, const std::string& key, const std::string& value);
  // /etc/netns/ns/hosts, used by Run for name resolution inside ns.
  void Hosts(const std::string& ns, const std::string& content);
  // Runs fn on a thread inside ns and waits; an exception of fn is rethrown.
  void Run(const std::string& ns, const std::function<void()>& fn);
  // The hardware address of a device of ns, "aa:bb:cc:dd:ee:ff".
  std::string MacOf(const std::string& ns, const std::string& device);
  // The device name Link gives the side of `from` towards `to`.
  std::string DeviceTowards(const std::string& to) const;

 private:
  std::string Tag(const std::string& ns) const;

  std::string prefix_;
  std::vector<std::string> namespaces_;
  std::vector<std::string> hostsDirs_;
};

}  // namespace sentrova::test
