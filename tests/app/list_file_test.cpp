#include "app/list_file.h"
#include "support/file_size_limit.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include <string>
#include <vector>

#include "settings/text.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// A list file as the Windows program wrote it: CP932, CR LF, five lines each.
// PC01 (a PC with a Japanese user and a quoted WAV action), a separator, a
// server checked by IP, and a printer with an icon position.
const std::string kWindowsFile =
    "PC01\t\tN\t0\t-1\t-1\t00-11-22-33-44-55\r\n"
    "\x8e\x52\x93\x63\r\n"  // 山田
    "\"C:\\sounds\\in  1.wav\"\r\n"
    "notepad.exe %R\r\n"
    "WORKGROUP\tMicrosoft Windows Network\r\n"
    "-----\t\t-\t8\t-1\t-1\t\r\n"
    "\r\n\r\n\r\n"
    "\t\r\n"
    "SV01\t192.168.  1.  2\tY\t9\t-1\t-1\t\r\n"
    "\x83\x54\x81\x5b\x83\x6f\r\n"  // サーバ
    "\r\n\r\n"
    "DOMAIN1\tMicrosoft Windows Network\r\n"
    "PRN\t 10.  0.  0.  5\tY\t12\t40\t120\t\r\n"
    "printer\r\n\r\n\r\n"
    "\tMicrosoft Windows Network\r\n";

TEST(ListFile, WindowsFileLoadsAndSavesByteForByte) {
  TempDir dir;
  const std::string path = dir.File("Sentrova.NT");
  WriteBytes(path, kWindowsFile);
  TermList list;
  ASSERT_TRUE(LoadList(list, path));
  ASSERT_EQ(list.Count(), 4u);

  ResItem pc;
  ASSERT_TRUE(ReadRow(pc, list, 0));
  EXPECT_EQ(pc.User, "山田");
  EXPECT_EQ(pc.Resource, "PC01");
  EXPECT_EQ(pc.LoginAction, "\"C:\\sounds\\in  1.wav\"");
  EXPECT_EQ(pc.LogoutAction, "notepad.exe %R");
  EXPECT_EQ(pc.Domain, "WORKGROUP");
  EXPECT_EQ(pc.Provider, "Microsoft Windows Network");
  EXPECT_EQ(pc.MacAddr, "00-11-22-33-44-55");
  EXPECT_EQ(pc.StateText, "未確認");
  EXPECT_EQ(pc.Image, 2);
  EXPECT_EQ(pc.State, 2);
  EXPECT_EQ(pc.IconBase, 0);
  EXPECT_FALSE(pc.ByIP);
  EXPECT_EQ(list.Row(0).SubItems[kSubByIP], "N");

  ResItem sep;
  ASSERT_TRUE(ReadRow(sep, list, 1));
  EXPECT_EQ(sep.StateText, "-----");
  EXPECT_EQ(sep.Image, 8);
  EXPECT_EQ(list.Row(1).SubItems[kSubByIP], "-");

  ResItem server;
  ASSERT_TRUE(ReadRow(server, list, 2));
  EXPECT_EQ(server.Image, 11);
  EXPECT_EQ(server.State, 11);
  EXPECT_TRUE(server.ByIP);
  EXPECT_EQ(server.OrgIndex, 2u);

  ResItem printer;
  ASSERT_TRUE(ReadRow(printer, list, 3));
  EXPECT_EQ(printer.Image, 14);
  EXPECT_EQ(printer.Top, 40);
  EXPECT_EQ(printer.Left, 120);
  EXPECT_EQ(printer.OrgIndex, 3u);

  const std::string saved = dir.File("saved.NT");
  ASSERT_TRUE(SaveList(list, saved));
  EXPECT_EQ(ReadBytes(saved), kWindowsFile);
}

TEST(ListFile, ThreeTerminalsRoundTrip) {
  TermList list;
  for (int i = 0; i < 3; ++i) {
    ResItem item;
    item.User = "ユーザー" + std::to_string(i);
    item.Resource = "PC0" + std::to_string(i);
    item.Domain = "WG";
    item.Provider = "Microsoft Windows Network";
    item.LoginAction = "C:\\a b\\in.wav";
    item.LogoutAction = "run %U";
    item.ByIP = i == 1;
    item.MacAddr = "00-00-00-00-00-0" + std::to_string(i);
    item.IconBase = i == 2 ? kIconDevice : kIconPC;
    item.State = kStateLogin;
    item.StateText = kTextLogin;
    item.OrgIndex = 7;
    item.Top = 10 * i;
    item.Left = 20 * i;
    item.PingResult = "1ms";
    AppendRow(item, list);
  }
  TempDir dir;
  ASSERT_TRUE(SaveList(list, dir.File("l")));
  TermList again;
  ASSERT_TRUE(LoadList(again, dir.File("l")));
  ASSERT_EQ(again.Count(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    ResItem a, b;
    ReadRow(a, list, i);
    ReadRow(b, again, i);
    EXPECT_EQ(b.User, a.User);
    EXPECT_EQ(b.Resource, a.Resource);
    EXPECT_EQ(b.LoginAction, a.LoginAction);
    EXPECT_EQ(b.LogoutAction, a.LogoutAction);
    EXPECT_EQ(b.Domain, a.Domain);
    EXPECT_EQ(b.Provider, a.Provider);
    EXPECT_EQ(b.ByIP, a.ByIP);
    EXPECT_EQ(b.MacAddr, a.MacAddr);
    EXPECT_EQ(b.IconBase, a.IconBase);
    EXPECT_EQ(b.Top, a.Top);
    EXPECT_EQ(b.Left, a.Left);
    EXPECT_EQ(b.StateText, "未確認");
    EXPECT_EQ(b.OrgIndex, i);
    EXPECT_EQ(b.PingResult, "");
  }
}

// One record's first line, and what it loads as.
struct LineOneCase {
  const char* name;
  std::string line1;
  std::string resource, ip;
  bool byIP;
  int iconBase, image, top, left;
  std::string mac;
};

TEST(ListFile, FirstLineVariants) {
  const std::vector<LineOneCase> cases = {
      {"normalized IP", "PC\t192.168.1.2\tY\t0\t1\t2\tM", "PC", "192.168.  1.  2", true, 0, 2, 1, 2, "M"},
      {"short IP kept", "PC\t10.0.0\tN\t0\t1\t2\t", "PC", "10.0.0", false, 0, 2, 1, 2, ""},
      {"found IP dropped", "PC\t*10.0.0.5\tN\t0\t1\t2\t", "PC", "", false, 0, 2, 1, 2, ""},
      {"backslashes removed", "\\\\PC\t\tN\t0\t1\t2\t", "PC", "", false, 0, 2, 1, 2, ""},
      {"three fields", "PC\t\tY", "PC", "", true, 0, 2, -1, -1, ""},
      {"lower-case y", "PC\t\ty\t0\t0\t0\t", "PC", "", false, 0, 2, 0, 0, ""},
      {"non-numbers", "PC\t\tN\tx\ty\tz\t", "PC", "", false, 0, 2, -1, -1, ""},
      {"separator of kind 0", "-----\t\tN\t0\t-1\t-1\t", "-----", "", false, 8, 8, -1, -1, ""},
      {"unknown kind", "PC\t\tN\t5\t-1\t-1\t", "PC", "", false, 5, 2, -1, -1, ""},
      {"hex kind", "PC\t\tN\t0x0C\t-1\t-1\t", "PC", "", false, 12, 14, -1, -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TermList list;
    AppendListLines(list, {c.line1, "u", "", "", "D\tP"});
    ASSERT_EQ(list.Count(), 1u);
    ResItem item;
    ReadRow(item, list, 0);
    EXPECT_EQ(item.Resource, c.resource);
    EXPECT_EQ(item.IP, c.ip);
    EXPECT_EQ(item.ByIP, c.byIP);
    EXPECT_EQ(item.IconBase, c.iconBase);
    EXPECT_EQ(item.Image, c.image);
    EXPECT_EQ(item.State, c.image);
    EXPECT_EQ(item.Top, c.top);
    EXPECT_EQ(item.Left, c.left);
    EXPECT_EQ(item.MacAddr, c.mac);
  }
}

TEST(ListFile, IncompleteAndBrokenFiles) {
  TempDir dir;
  // Eleven lines: two terminals, the last line ignored.
  std::string eleven;
  for (int r = 0; r < 2; ++r) eleven += "PC" + std::to_string(r) + "\r\nu\r\n\r\n\r\nD\tP\r\n";
  eleven += "PC9\t\tN\r\n";
  // Invalid CP932 and a 200 KB line survive loading and saving.
  std::string broken = "P\xff\x81\r\n" + std::string(200000, 'x') + "\r\n\r\n\r\n\x80\tP\r\n";
  struct Case {
    const char* name;
    std::string bytes;
    std::size_t rows;
  } cases[] = {
      {"eleven lines", eleven, 2}, {"empty", "", 0}, {"one line", "PC", 0}, {"binary", std::string("\0\1\2\r\n", 5), 0},
      {"invalid bytes and a long line", broken, 1}, {"LF line ends", "A\nB\nC\nD\nE\tF\n", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(dir.File("in"), c.bytes);
    TermList list;
    ASSERT_TRUE(LoadList(list, dir.File("in")));
    EXPECT_EQ(list.Count(), c.rows);
  }
  WriteBytes(dir.File("in"), broken);
  TermList list;
  LoadList(list, dir.File("in"));
  ASSERT_TRUE(SaveList(list, dir.File("out")));
  const std::string out = ReadBytes(dir.File("out"));
  EXPECT_EQ(out.substr(0, 4), "P\xff\x81\t");  // stray bytes kept as they were
  EXPECT_NE(out.find(std::string(200000, 'x')), std::string::npos);
  EXPECT_NE(out.find("\r\n\x80\tP\r\n"), std::string::npos);
}

TEST(ListFile, MissingFileLeavesListUnchanged) {
  TempDir dir;
  TermList list;
  AppendListLines(list, {"A", "", "", "", ""});
  EXPECT_FALSE(LoadList(list, dir.File("none")));
  EXPECT_FALSE(LoadList(list, dir.path()));  // a directory
  EXPECT_EQ(list.Count(), 1u);
}

TEST(ListFile, FailedSaveKeepsThePreviousFile) {
  TempDir dir;
  TermList list;
  AppendListLines(list, {"A", "", "", "", ""});
  ASSERT_TRUE(SaveList(list, dir.File("l")));
  const std::string before = ReadBytes(dir.File("l"));
  for (int i = 0; i < 100; ++i) AppendListLines(list, {"B", "", "", "", ""});
  // A disk that fills up mid-write (a file size limit works for root too).
  std::string error;
  const bool saved = test::WithFileSizeLimit(64, [&] { return SaveList(list, dir.File("l"), &error); });
  EXPECT_FALSE(saved);
  EXPECT_NE(error.find(dir.File("l")), std::string::npos);
  EXPECT_EQ(ReadBytes(dir.File("l")), before);
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(ListFile, SaveIntoMissingDirectoryFails) {
  TempDir dir;
  TermList list;
  std::string error;
  EXPECT_FALSE(SaveList(list, dir.File("no/such/dir/l"), &error));
  EXPECT_FALSE(error.empty());
}

TEST(ListFile, RowsAndDataWord) {
  ResItem item;
  item.Resource = "-----";
  item.IconBase = 8;
  item.State = 8;
  item.OrgIndex = 65535;
  item.Image = 8;
  TermList list;
  AppendRow(item, list);
  EXPECT_EQ(list.Row(0).Data, 8u + 8u * 256u + 65535u * 65536u);
  EXPECT_EQ(list.Row(0).SubItems[kSubByIP], "-");
  ResItem back;
  EXPECT_TRUE(ReadRow(back, list, 0));
  EXPECT_FALSE(ReadRow(back, list, 1));
  EXPECT_EQ(back.OrgIndex, 65535u);
  item.Resource = "PC";
  item.ByIP = true;
  WriteRow(item, list, 0);
  EXPECT_EQ(list.Row(0).SubItems[kSubByIP], "Y");
  EXPECT_STREQ(ListFileName(0), "Sentrova.32s");
  EXPECT_STREQ(ListFileName(1), "Sentrova.9x");
  EXPECT_STREQ(ListFileName(2), "Sentrova.NT");
  EXPECT_STREQ(ListFileName(3), "Sentrova.dat");
}

}  // namespace
}  // namespace sentrova
