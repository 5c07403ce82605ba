#include "discovery/enum_thread.h"

#include <gtest/gtest.h>

#include <thread>

#include "app/list_file.h"
#include "app/manual_dispatcher.h"
#include "support/fake_actions.h"
#include "support/fake_browse_source.h"
#include "support/icmp_fakes.h"

namespace sentrova {
namespace {

using test::Ip;

// The main window's side, counting the synchronized steps.
class Target : public EnumTarget {
 public:
  TermList rows;
  std::vector<std::string> status;
  std::vector<std::string> errors, logins, logouts;
  int applied = 0;
  std::function<void(const std::string&)> onStatus;

  TermList& Rows() override { return rows; }
  void SetStatusText(const std::string& text) override {
    status.push_back(text);
    if (onStatus) onStatus(text);
  }
  void SetCheckLists(const std::vector<std::string>& e, const std::vector<std::string>& in,
                     const std::vector<std::string>& out) override {
    ++applied;
    errors = e;
    logins = in;
    logouts = out;
  }
};

ResItem Terminal(const std::string& user, const std::string& resource, int state, bool byIP = false,
                 const std::string& ip = "") {
  ResItem e;
  e.User = user;
  e.Resource = resource;
  e.Domain = "WG";
  e.Provider = kSmbProviderName;
  e.State = state;
  e.StateText = state == 0 ? kTextLogin : state == 1 ? kTextLogout : kTextUnconfirmed;
  e.Image = state == 0 ? 0 : state == 1 ? 1 : 2;
  e.ByIP = byIP;
  e.IP = ip;
  return e;
}

class EnumThreadTest : public ::testing::Test {
 protected:
  // The rows the thread writes to mirror the entries.
  TEnumThread& Make(TResList entries, EnumSettings settings = {}) {
    for (const ResItem& e : entries) AppendRow(e, target.rows);
    thread = std::make_unique<TEnumThread>(
        EnumServices{dispatcher, *icmp.icmp, net, starter, sound}, target, settings, std::move(entries));
    return *thread;
  }
  ResItem Row(std::size_t i) {
    ResItem r;
    ReadRow(r, target.rows, i);
    return r;
  }

  ManualDispatcher dispatcher;
  test::FakeIcmp icmp;
  test::FakeBrowseSource net;
  test::FakeStarter starter;
  test::FakeSound sound;
  Target target;
  std::unique_ptr<TEnumThread> thread;
};

TEST_F(EnumThreadTest, NothingToCheckRunsNoSynchronizedStep) {
  TResList entries = {Terminal("a", "PC01", 2), Terminal("b", "PC02", 2)};
  for (auto& e : entries) e.Skip = true;
  Make({}).Run();
  EXPECT_TRUE(target.status.empty());
  EnumThreadTest::thread.reset();
  Make(entries).Run();
  EXPECT_TRUE(target.status.empty());
  EXPECT_EQ(target.applied, 0);
  EXPECT_FALSE(thread->EnumRunning());
}

TEST_F(EnumThreadTest, BrowseDecidesLoginLogoutAndError) {
  net.AddWorkgroup("WG", {"PC01", "PC02"});
  net.lists["WG"][1].RemoteName = "\\\\\\PC02";  // extra backslashes
  TResList entries = {Terminal("a", "PC01", 2), Terminal("b", "pc02", 0), Terminal("c", "PC02", 1),
                      Terminal("d", "PC03", 1)};
  entries[3].Domain = "";  // listed under no workgroup: logged out
  Make(entries).Run();
  EXPECT_EQ(Row(0).StateText, kTextLogin);
  EXPECT_EQ(Row(0).Image, 0);
  EXPECT_EQ(Row(1).StateText, kTextLogout);  // letter case differs
  EXPECT_EQ(Row(2).State, kStateLogin);
  EXPECT_EQ(Row(3).State, kStateLogout);
  EXPECT_EQ(target.logins, (std::vector<std::string>{"a\tPC01", "c\tPC02"}));
  EXPECT_EQ(target.logouts, (std::vector<std::string>{"b\tpc02"}));  // d was logged out already
  EXPECT_EQ(target.status.front(), "a 調査中...");
  EXPECT_EQ(target.status.back(), "");
  EXPECT_EQ(target.applied, 4);
}

TEST_F(EnumThreadTest, BrowseErrorsEnterTheErrorStateOnce) {
  net.AddWorkgroup("WG", {"PC01"});
  net.openErrors["WG"] = kBrowseAccessDenied;
  TResList entries = {Terminal("a", "PC01", 0), Terminal("b", "PC02", 4)};
  entries[1].Image = kImageError;  // already in the error state
  Make(entries).Run();
  EXPECT_EQ(Row(0).StateText, kTextError);
  EXPECT_EQ(Row(0).Image, kImageError);
  EXPECT_EQ(Row(0).State, kStateError);
  EXPECT_EQ(target.errors, (std::vector<std::string>{"a\tPC01"}));
}

TEST_F(EnumThreadTest, StrictCheckAsksTheComputer) {
  net.AddWorkgroup("WG", {"PC01", "PC02"});
  net.shareAnswers["\\\\PC01"] = kBrowseBadNetPath;
  net.shareAnswers["\\\\PC02"] = kBrowseAccessDenied;
  EnumSettings strict;
  strict.SafeCheck = true;
  Make({Terminal("a", "PC01", 2), Terminal("b", "PC02", 2)}, strict).Run();
  EXPECT_EQ(Row(0).State, kStateLogout);
  EXPECT_EQ(Row(1).State, kStateLogin);
}

TEST_F(EnumThreadTest, FoundAddressesAreDroppedWhenSilentAndKeptWhenGiven) {
  icmp.resolver->addresses["PC01"] = Ip("10.0.0.5");
  icmp.resolver->addresses["PC02"] = Ip("10.0.0.6");
  test::AnswerOnly(*icmp.echo, {Ip("10.0.0.6"), Ip("10.0.0.8")});
  TResList entries = {Terminal("a", "PC01", 2, true), Terminal("b", "PC02", 2, true),
                      Terminal("c", "NONAME", 2, true), Terminal("d", "PC04", 0, true, "10.  0.  0.  7"),
                      Terminal("e", "", 2, true, " 10.  0.  0.  8")};
  icmp.resolver->names[Ip("10.0.0.8")] = "host8";
  Make(entries).Run();
  // PC01 resolved but silent: its found address is dropped again.
  EXPECT_EQ(Row(0).State, kStateLogout);
  EXPECT_EQ(Row(0).IP, "");
  // PC02 resolved and answering: the address is shown with its mark.
  EXPECT_EQ(Row(1).State, kStateLogin);
  EXPECT_EQ(Row(1).IP, "* 10.  0.  0.  6");
  EXPECT_NE(Row(1).PingResult.find("TTL:64"), std::string::npos) << Row(1).PingResult;
  // No address: logged out, the result stays empty.
  EXPECT_EQ(Row(2).State, kStateLogout);
  EXPECT_EQ(Row(2).IP, "");
  EXPECT_EQ(Row(2).PingResult, "");
  // A given address is kept even when silent.
  EXPECT_EQ(Row(3).State, kStateLogout);
  EXPECT_EQ(Row(3).IP, "10.  0.  0.  7");
  EXPECT_EQ(Row(3).PingResult, "IP_REQ_TIMED_OUT");
  // No name: looked up from the address, shown with the mark.
  EXPECT_EQ(Row(4).Resource, "*host8");
  EXPECT_EQ(Row(4).State, kStateLogin);
  EXPECT_EQ(target.logins, (std::vector<std::string>{"b\tPC02", "e\thost8"}));
}

TEST_F(EnumThreadTest, AutoMacOnLoginAndOff) {
  test::AnswerOnly(*icmp.echo, {Ip("10.0.0.6")});
  icmp.neighbours->table[Ip("10.0.0.6")] = {1, 2, 3, 4, 5, 6};
  EnumSettings s;
  s.LoginAutoMAC = true;
  s.LogoutAutoMAC = true;
  TResList entries = {Terminal("a", "PC01", 1, true, "10.0.0.6"), Terminal("b", "PC02", 0, true, "10.0.0.7")};
  entries[1].MacAddr = "AA:BB:CC:DD:EE:FF";
  Make(entries, s).Run();
  EXPECT_EQ(Row(0).MacAddr, "01:02:03:04:05:06");
  EXPECT_EQ(Row(1).MacAddr, "");
}

TEST_F(EnumThreadTest, ActionsRunOnChangesWithThePreviousStateText) {
  net.AddWorkgroup("WG", {"PC01", "PC02"});
  EnumSettings s;
  s.LoginDoAction = true;
  s.LogoutDoAction = true;
  TResList entries = {Terminal("a", "PC01", 1), Terminal("b", "PC02", 0), Terminal("c", "PC03", 0)};
  entries[0].LoginAction = "notify %U %R %C 100%%";
  entries[1].LoginAction = "never";  // still logged in: nothing runs
  entries[2].LogoutAction = "C:\\snd\\out.wav";
  Make(entries, s).Run();
  ASSERT_EQ(starter.started.size(), 1u);
  EXPECT_EQ(starter.started[0], (std::vector<std::string>{"notify", "a", "PC01", "ﾛｸﾞｱｳﾄ", "100%"}));
  ASSERT_EQ(sound.played.size(), 1u);
  EXPECT_EQ(sound.played[0].first, "C:\\snd\\out.wav");
  EXPECT_EQ(Row(1).StateText, kTextLogin);  // written again all the same
}

TEST_F(EnumThreadTest, StopDuringThePingOfTheThirdEntry) {
  TResList entries;
  for (int i = 1; i <= 5; ++i) {
    entries.push_back(Terminal("u" + std::to_string(i), "PC0" + std::to_string(i), 2, true,
                               "10.0.0." + std::to_string(i)));
  }
  test::AnswerOnly(*icmp.echo, {Ip("10.0.0.1"), Ip("10.0.0.2"), Ip("10.0.0.3")});
  TEnumThread& t = Make(entries);
  auto script = icmp.echo->script;
  icmp.echo->script = [&, script](const test::SentEcho& s) {
    if (s.addr == Ip("10.0.0.3")) t.Terminate();
    return script(s);
  };
  // On a thread of its own, as in the program, with the main thread serving
  // the synchronized steps.
  bool ended = false;
  t.Start([&] { ended = true; });
  dispatcher.WaitUntil([&] { return ended; });
  t.Join();
  EXPECT_EQ(Row(0).State, kStateLogin);
  EXPECT_EQ(Row(1).State, kStateLogin);
  EXPECT_EQ(Row(2).State, kStateUnconfirmed);  // not applied
  EXPECT_EQ(Row(4).State, kStateUnconfirmed);
  EXPECT_EQ(target.logins, (std::vector<std::string>{"u1\tPC01", "u2\tPC02"}));
  EXPECT_FALSE(t.EnumRunning());
}

}  // namespace
}  // namespace sentrova
