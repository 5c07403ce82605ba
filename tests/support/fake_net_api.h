// Fake server and messenger libraries for tests: every operation exists
// unless named missing, and answers from the members.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "access/net_api.h"

namespace sentrova::test {

struct SentMessage {
  std::string Recipient, Sender, Text;
};

class FakeNetApiNT : public NetApiNTLibrary {
 public:
  std::set<std::string, std::less<>> Missing;
  std::vector<SessionInfo10> Sessions;
  std::uint32_t SendResult = kNerrSuccess;
  std::vector<SentMessage>* Sent = nullptr;  // outlives the library
  int* Destroyed = nullptr;

  ~FakeNetApiNT() override {
    if (Destroyed) ++*Destroyed;
  }
  bool Exports(std::string_view name) const override { return Missing.find(name) == Missing.end(); }
  std::uint32_t NetSessionEnum(std::vector<SessionInfo10>& out, std::uint32_t) override {
    out = Sessions;
    return kNerrSuccess;
  }
  std::uint32_t NetConnectionEnum(const std::string&, std::vector<ConnectionInfo1>& out, std::uint32_t) override {
    out.clear();
    return kNerrSuccess;
  }
  std::uint32_t NetMessageBufferSend(const std::string& to, const std::string& from, const std::string& text) override {
    if (Sent) Sent->push_back({to, from, text});
    return SendResult;
  }
  std::uint32_t NetServerEnum(const std::string&, std::uint32_t, std::vector<ServerInfo101>& out) override {
    out.clear();
    return kNerrSuccess;
  }
  std::uint32_t NetShareGetInfo(const std::string&, ShareInfo2&) override { return kNerrNetNameNotFound; }
  std::uint32_t NetFileEnum(const std::string&, const std::string&, std::vector<FileInfo3>& out,
                            std::uint32_t) override {
    out.clear();
    return kNerrSuccess;
  }
  std::uint32_t NetApiBufferFree(const void*) override { return kNerrSuccess; }
};

class FakeNetApi9x : public NetApi9xLibrary {
 public:
  std::set<std::string, std::less<>> Missing;
  std::vector<SessionInfo50> Sessions;

  bool Exports(std::string_view name) const override { return Missing.find(name) == Missing.end(); }
  std::uint32_t NetSessionEnum(std::vector<SessionInfo50>& out, std::uint32_t) override {
    out = Sessions;
    return kNerrSuccess;
  }
  std::uint32_t NetConnectionEnum(const std::string&, std::vector<ConnectionInfo50>& out, std::uint32_t) override {
    out.clear();
    return kNerrSuccess;
  }
  std::uint32_t NetServerGetInfo(const std::string&, ServerInfo1&, std::uint32_t) override { return kNerrSuccess; }
  std::uint32_t NetShareGetInfo(const std::string&, ShareInfo50&, std::uint32_t) override { return kNerrSuccess; }
  std::uint32_t NetFileEnum(std::vector<FileInfo50>& out, std::uint32_t) override {
    out.clear();
    return kNerrSuccess;
  }
};

// Hands out the library prepared by the test (once), or none.
class FakeNetApiLoader : public NetApiLoader {
 public:
  std::unique_ptr<NetApi9xLibrary> Next9x;
  std::unique_ptr<NetApiNTLibrary> NextNT;
  std::vector<std::string> Asked;

  std::unique_ptr<NetApi9xLibrary> Load9x(const std::string& name) override {
    Asked.push_back(name);
    return std::move(Next9x);
  }
  std::unique_ptr<NetApiNTLibrary> LoadNT(const std::string& name) override {
    Asked.push_back(name);
    return std::move(NextNT);
  }
};

}  // namespace sentrova::test
