#include "notify/messenger.h"

#include <gtest/gtest.h>

#include "support/fake_net_api.h"
#include "settings/text.h"

namespace sentrova {
namespace {

using test::FakeNetApiLoader;
using test::FakeNetApiNT;
using test::SentMessage;

// A binding whose NT library records the messages it is given.
struct BoundNT {
  std::vector<SentMessage> sent;
  NetApiBinding net;
  FakeNetApiNT* lib = nullptr;

  BoundNT() {
    FakeNetApiLoader loader;
    auto fake = std::make_unique<FakeNetApiNT>();
    fake->Sent = &sent;
    lib = fake.get();
    loader.NextNT = std::move(fake);
    EXPECT_TRUE(BindNetApiNT(net, loader));
  }
};

struct RecordingMailslot : MailslotTransport {
  std::vector<std::pair<std::string, std::string>> writes;
  bool ok = true;
  bool Write(const std::string& path, const std::string& datagram) override {
    writes.emplace_back(path, datagram);
    return ok;
  }
};

std::string Bytes(std::size_t n, char c = 'a') { return std::string(n, c); }

TEST(SendMessageNT, SendsWithThisComputerAsSenderAndReportsTheServiceResult) {
  BoundNT b;
  EXPECT_TRUE(SendMessageNT(b.net, "MYPC", "PC01", "こんにちは"));
  ASSERT_EQ(b.sent.size(), 1u);
  EXPECT_EQ(b.sent[0].Recipient, "PC01");
  EXPECT_EQ(b.sent[0].Sender, "MYPC");
  EXPECT_EQ(b.sent[0].Text, "こんにちは");
  b.lib->SendResult = kNerrNameNotFound;
  EXPECT_FALSE(SendMessageNT(b.net, "MYPC", "PC01", "x"));
}

TEST(SendMessageNT, RefusesWithoutSending) {
  BoundNT b;
  struct Case {
    const char* what;
    std::string computer, recipient, text;
  } cases[] = {
      {"no computer name", "", "PC01", "x"},
      {"101-byte text", "MYPC", "PC01", Bytes(101)},
      {"101-byte recipient", "MYPC", Bytes(101), "x"},
      // 51 full-width characters are 102 bytes in CP932 (153 in UTF-8).
      {"text counted in CP932 bytes", "MYPC", "PC01", [] {
         std::string s;
         for (int i = 0; i < 51; ++i) s += "あ";
         return s;
       }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(SendMessageNT(b.net, c.computer, c.recipient, c.text));
  }
  EXPECT_TRUE(b.sent.empty());
  // 100 bytes exactly pass, 50 full-width characters included.
  std::string fifty;
  for (int i = 0; i < 50; ++i) fifty += "あ";
  EXPECT_TRUE(SendMessageNT(b.net, "MYPC", Bytes(100), Bytes(100)));
  EXPECT_TRUE(SendMessageNT(b.net, "MYPC", "PC01", fifty));
}

TEST(SendMessageNT, UnboundMessengerIsAFailure) {
  NetApiBinding net;  // nothing bound
  EXPECT_FALSE(SendMessageNT(net, "MYPC", "PC01", "x"));
}

TEST(SendMailslot9x, DatagramLaidOutByteForByte) {
  RecordingMailslot slot;
  ASSERT_TRUE(SendMailslot9x(slot, "MYPC", "PC01", "ﾃｽﾄ 漢字"));
  ASSERT_EQ(slot.writes.size(), 1u);
  EXPECT_EQ(slot.writes[0].first, "\\\\PC01\\mailslot\\messngr");
  const std::string expected = std::string("MYPC\0PC01\0", 10) + "\xC3\xBD\xC4 \x8A\xBF\x8E\x9A" + std::string(1, '\0');
  EXPECT_EQ(slot.writes[0].second, expected);
  EXPECT_EQ(BuildMailslotMessage("A", "", ""), std::string("A\0\0\0", 4));
  // The longest datagram: 15 + 1 + 100 + 1 + 100 + 1 bytes.
  EXPECT_EQ(BuildMailslotMessage(Bytes(15), Bytes(100), Bytes(100)).size(), 218u);
}

TEST(SendMailslot9x, RefusalsAndWriteFailure) {
  RecordingMailslot slot;
  EXPECT_FALSE(SendMailslot9x(slot, "MYPC", "PC01", Bytes(101)));
  EXPECT_FALSE(SendMailslot9x(slot, "MYPC", Bytes(101), "x"));
  EXPECT_FALSE(SendMailslot9x(slot, "", "PC01", "x"));
  EXPECT_TRUE(slot.writes.empty());
  slot.ok = false;
  EXPECT_FALSE(SendMailslot9x(slot, "MYPC", "PC01", "x"));
  EXPECT_EQ(slot.writes.size(), 1u);
}

TEST(Messenger, ChoosesTheSenderByPlatformFamily) {
  BoundNT b;
  RecordingMailslot slot;
  Messenger m{2, &b.net, &slot, "MYPC"};
  EXPECT_TRUE(m.Send("PC01", "nt"));
  m.PlatformCode = 1;
  EXPECT_TRUE(m.Send("PC02", "9x"));
  for (int other : {0, 3}) {
    m.PlatformCode = other;
    EXPECT_FALSE(m.Send("PC03", "none"));
  }
  ASSERT_EQ(b.sent.size(), 1u);
  EXPECT_EQ(b.sent[0].Text, "nt");
  ASSERT_EQ(slot.writes.size(), 1u);
  EXPECT_EQ(slot.writes[0].first, "\\\\PC02\\mailslot\\messngr");
}

std::vector<std::string> Lines(const std::vector<std::string>& names) {
  std::vector<std::string> lines;
  for (const std::string& n : names) lines.push_back(n + "\tRES-" + n);
  return lines;
}

TEST(ComposeManagerReport, NamesJoinedByFullWidthColonWithClosingText) {
  EXPECT_EQ(ComposeManagerReport(kManagerLogin, Lines({"山田", "鈴木", "Sato"})),
            "山田：鈴木：Sato\r\nがログインしました。");
  EXPECT_EQ(ComposeManagerReport(kManagerLogout, Lines({"A"})), "A\r\nがログアウトしました。");
  EXPECT_EQ(ComposeManagerReport(kManagerAccess, {"PC09\tx\ty"}), "PC09\r\nにアクセスされています！");
  // A line without a TAB is all name.
  EXPECT_EQ(ComposeManagerReport(kManagerLogin, {"solo"}), "solo\r\nがログインしました。");
}

TEST(ComposeManagerReport, AllTerminalKindsAreTheClosingTextAlone) {
  EXPECT_EQ(ComposeManagerReport(kManagerAllLogin, Lines({"A", "B"})), "全員がログインしました。");
  EXPECT_EQ(ComposeManagerReport(kManagerAllLogout, {}), "全員がログアウトしました。");
  EXPECT_EQ(ComposeManagerReport(7, Lines({"A"})), "");
}

TEST(ComposeManagerReport, BreaksAfterTheSeventhNameThenEverySixth) {
  EXPECT_EQ(ComposeManagerReport(kManagerLogin, Lines({"a", "b", "c", "d", "e", "f", "g", "h"})),
            "a：b：c：d：e：f：g\r\nh\r\nがログインしました。");
  // Exactly seven: no break before the closing text's own line break.
  EXPECT_EQ(ComposeManagerReport(kManagerLogin, Lines({"a", "b", "c", "d", "e", "f", "g"})),
            "a：b：c：d：e：f：g\r\nがログインしました。");
  std::vector<std::string> fourteen;
  for (char c = 'a'; c < 'a' + 14; ++c) fourteen.emplace_back(1, c);
  EXPECT_EQ(ComposeManagerReport(kManagerLogout, Lines(fourteen)),
            "a：b：c：d：e：f：g\r\nh：i：j：k：l：m\r\nn\r\nがログアウトしました。");
}

TEST(ComposeManagerReport, OthersTailWhenTheNextNameWouldPassTheLimit) {
  std::vector<std::string> names;
  for (char c = 'A'; c < 'A' + 6; ++c) names.push_back(std::string(20, c));
  const std::string report = ComposeManagerReport(kManagerLogin, Lines(names));
  EXPECT_EQ(report, names[0] + "：" + names[1] + "：" + names[2] + "\r\nその他3名\r\nがログインしました。");
  // Counted in CP932 bytes: ten full-width characters are 20 bytes.
  std::vector<std::string> wide(5, "あいうえおかきくけこ");
  EXPECT_EQ(ComposeManagerReport(kManagerLogin, Lines(wide)),
            wide[0] + "：" + wide[1] + "：" + wide[2] + "\r\nその他2名\r\nがログインしました。");
  // With the longest closing text three names and the tail would make 101
  // bytes: one name goes to the tail instead.
  EXPECT_EQ(ComposeManagerReport(kManagerAccess, Lines(wide)),
            wide[0] + "：" + wide[1] + "\r\nその他3名\r\nにアクセスされています！");
}

TEST(ManagerRecipients, FieldsUpToTheFirstEmptyOne) {
  EXPECT_EQ(ManagerRecipients("A,B"), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ManagerRecipients(",A"), std::vector<std::string>{});
  EXPECT_EQ(ManagerRecipients("A,,B"), std::vector<std::string>{"A"});
  EXPECT_EQ(ManagerRecipients(" A ,B"), (std::vector<std::string>{" A ", "B"}));
  EXPECT_EQ(ManagerRecipients(""), std::vector<std::string>{});
}

TEST(SendManagerReport, SendsTheReportToEveryManager) {
  BoundNT b;
  Messenger m{2, &b.net, nullptr, "MYPC"};
  SentrovaCfg cfg;
  cfg.Manager = "A,B";
  SendManagerReport(cfg, m, kManagerLogin, Lines({"x", "y", "z"}));
  ASSERT_EQ(b.sent.size(), 2u);
  EXPECT_EQ(b.sent[0].Recipient, "A");
  EXPECT_EQ(b.sent[1].Recipient, "B");
  for (const SentMessage& s : b.sent) {
    EXPECT_EQ(s.Text, "x：y：z\r\nがログインしました。");
    EXPECT_EQ(s.Sender, "MYPC");
  }
  b.sent.clear();
  cfg.Manager = ",A";
  SendManagerReport(cfg, m, kManagerLogin, Lines({"x"}));
  cfg.Manager = "";
  SendManagerReport(cfg, m, kManagerAllLogin, {});
  EXPECT_TRUE(b.sent.empty());
  // A refused send does not stop the others.
  b.lib->SendResult = kNerrNameNotFound;
  cfg.Manager = "A,B";
  SendManagerReport(cfg, m, kManagerAllLogout, {});
  EXPECT_EQ(b.sent.size(), 2u);
}

// Short names fill the body close to the limit, where the 26 bytes kept for
// the closing text leave no room for the "その他" tail: names are given back
// until the whole report fits, so the managers still get it.
TEST(SendManagerReport, LongListOfShortNamesStillFitsAndIsSent) {
  BoundNT b;
  Messenger m{2, &b.net, nullptr, "MYPC"};
  SentrovaCfg cfg;
  cfg.Manager = "A";
  const std::vector<std::string> names(40, "n");
  const std::string expected =
      "n：n：n：n：n：n：n\r\nn：n：n：n：n：n\r\nn：n：n：n：n：n\r\nn：n：n\r\nその他18名\r\nがログアウトしました。";
  EXPECT_EQ(ComposeManagerReport(kManagerLogout, Lines(names)), expected);
  EXPECT_EQ(Cp932Length(expected), kMessageLimit);
  SendManagerReport(cfg, m, kManagerLogout, Lines(names));
  ASSERT_EQ(b.sent.size(), 1u);
  EXPECT_EQ(b.sent[0].Text, expected);
  // Every length of list gives a report the sender takes.
  for (std::size_t n = 0; n <= 60; ++n) {
    for (const char* name : {"n", "nn", "あ", "abcdefghij"}) {
      const std::string report = ComposeManagerReport(kManagerAccess, Lines(std::vector<std::string>(n, name)));
      EXPECT_LE(Cp932Length(report), kMessageLimit) << n << " " << name;
    }
  }
}

}  // namespace
}  // namespace sentrova
