#include "history/history_xml.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "history/history_recorder.h"
#include "history_fakes.h"
#include "settings/settings_cfg.h"
#include "support/temp_dir.h"

namespace sentrova {
namespace {

using test::DescribeXmlFile;
using test::ReadBytes;
using test::WriteBytes;

const HistoryLines kAccessLines = {
    "0SATO\tPC01\t01:15:42\t00:00:12",
    "1DOCS\tSATO",
    "2DOCS\\plan\\a.txt",
    "2DOCS\\佐藤.txt",
    "1PUB\t",
    "0*GUEST\tPC02\t100:02:03\t99:59:58",
};

const char* const kAccessDescription =
    "root()\n"
    "  access(year=2010,month=01,day=05,hour=09,min=08,sec=07)\n"
    "    user(account=SATO,machine=PC01)\n"
    "      accesstime(hour=00,min=00,sec=12)\n"
    "      connecttime(hour=01,min=15,sec=42)\n"
    "      directory(account=SATO,name=DOCS)\n"
    "        file()\n"
    "          \"DOCS\\plan\\a.txt\"\n"
    "        file()\n"
    "          \"DOCS\\佐藤.txt\"\n"
    "      directory(account=,name=PUB)\n"
    "    user(account=*GUEST,machine=PC02)\n"
    "      accesstime(hour=99,min=59,sec=58)\n"
    "      connecttime(hour=100,min=02,sec=03)\n";

class XmlHistory : public ::testing::Test {
 protected:
  XmlHistory() {
    for (RecCfg* rec : {&cfg.Login.Rec, &cfg.Logout.Rec, &cfg.Access.Rec}) {
      rec->RecordFile = "SV%y%m%d";
      rec->RecordFileExp = "xml";
    }
    cfg.XMLEncoding = "UTF-8";
  }
  std::string Path() const { return dir.File("SV20100105.xml"); }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
    return names;
  }

  test::TempDir dir;
  test::FixedClock clock{test::Jan5()};
  test::RecordingSink sink;
  test::FakeOpener opener;
  HistoryRecorder recorder{clock, sink, opener, dir.path()};
  SentrovaCfg cfg;
};

TEST_F(XmlHistory, FirstRecordStartsTheSeededFile) {
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"SATO\tPC01", "佐藤\tPC02"}), RecordOutcome::Written);
  const std::string bytes = ReadBytes(Path());
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u) << bytes;
  EXPECT_EQ(DescribeXmlFile(Path()),
            "encoding=UTF-8\n"
            "root()\n"
            "  login(year=2010,month=01,day=05,hour=09,min=08,sec=07)\n"
            "    user(name=SATO)\n"
            "    user(name=佐藤)\n");
  EXPECT_TRUE(sink.Messages.empty());
  EXPECT_EQ(Entries(), std::vector<std::string>{"SV20100105.xml"});  // no temporary file left
}

TEST_F(XmlHistory, RecordsAreAddedAfterTheExistingOnesIndented) {
  recorder.RecordHistory(kHistoryLogin, cfg, {"A\tPC1"});
  clock.Set({2010, 1, 5, 10, 0, 1, 2});
  recorder.RecordHistory(kHistoryLogout, cfg, {"A\tPC1"});
  EXPECT_EQ(DescribeXmlFile(Path()),
            "encoding=UTF-8\n"
            "root()\n"
            "  login(year=2010,month=01,day=05,hour=09,min=08,sec=07)\n"
            "    user(name=A)\n"
            "  logout(year=2010,month=01,day=05,hour=10,min=00,sec=01)\n"
            "    user(name=A)\n");
  EXPECT_EQ(ReadBytes(Path()),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<root>\n"
            "  <login year=\"2010\" month=\"01\" day=\"05\" hour=\"09\" min=\"08\" sec=\"07\">\n"
            "    <user name=\"A\"/>\n"
            "  </login>\n"
            "  <logout year=\"2010\" month=\"01\" day=\"05\" hour=\"10\" min=\"00\" sec=\"01\">\n"
            "    <user name=\"A\"/>\n"
            "  </logout>\n"
            "</root>\n");
}

TEST_F(XmlHistory, AccessRecordNestsUsersFoldersAndFiles) {
  ASSERT_EQ(recorder.RecordHistory(kHistoryAccess, cfg, kAccessLines), RecordOutcome::Written);
  EXPECT_EQ(DescribeXmlFile(Path()), std::string("encoding=UTF-8\n") + kAccessDescription);
}

TEST_F(XmlHistory, StyleSheetIsReplacedRemovedAndInsertedOnce) {
  const std::string rest =
      "root()\n"
      "  login(year=2010,month=01,day=05,hour=09,min=08,sec=07)\n"
      "    user(name=A)\n";
  auto record = [&] { ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"A\tPC1"}), RecordOutcome::Written); };
  auto count = [&](const std::string& what) {
    std::string d = DescribeXmlFile(Path());
    std::size_t n = 0;
    for (std::size_t p = d.find(what); p != std::string::npos; p = d.find(what, p + 1)) ++n;
    return n;
  };
  cfg.XSLFile = "a.xsl";
  record();
  EXPECT_EQ(DescribeXmlFile(Path()).substr(0, 66),
            "encoding=UTF-8\n?xml-stylesheet type=\"text/xsl\" href=\"a.xsl\"\nroot()");
  cfg.XSLFile = "/home/u/b.xsl";
  record();
  EXPECT_EQ(count("?xml-stylesheet"), 1u);
  EXPECT_NE(ReadBytes(Path()).find("?>\n<?xml-stylesheet type=\"text/xsl\" href=\"/home/u/b.xsl\"?>\n<root>"),
            std::string::npos);
  cfg.XSLFile.clear();
  record();
  EXPECT_EQ(count("?xml-stylesheet"), 0u);
  EXPECT_EQ(ReadBytes(Path()).find("stylesheet"), std::string::npos);
  cfg.XSLFile = "c.xsl";
  record();
  EXPECT_EQ(count("?xml-stylesheet"), 1u);
  EXPECT_EQ(DescribeXmlFile(Path()).find("?xml-stylesheet"), std::string("encoding=UTF-8\n").size());
}

TEST_F(XmlHistory, HandMadeDuplicateStyleSheetsBecomeOne) {
  WriteBytes(Path(),
             "<?xml version=\"1.0\"?>\n<!-- kept -->\n<?xml-stylesheet href=\"x.xsl\"?>\n"
             "<?xml-stylesheet href=\"y.xsl\"?>\n<root>\n</root>\n");
  cfg.XSLFile = "z.xsl";
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"A\tPC1"}), RecordOutcome::Written);
  const std::string bytes = ReadBytes(Path());
  EXPECT_EQ(bytes.find("x.xsl"), std::string::npos);
  EXPECT_EQ(bytes.find("y.xsl"), std::string::npos);
  EXPECT_NE(bytes.find("?>\n<?xml-stylesheet type=\"text/xsl\" href=\"z.xsl\"?>\n<!-- kept -->\n<root>"),
            std::string::npos)
      << bytes;
}

TEST_F(XmlHistory, StyleSheetNameCannotBreakTheFile) {
  cfg.XSLFile = "a\"b?>c.xsl";
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"A\tPC1"}), RecordOutcome::Written);
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"B\tPC1"}), RecordOutcome::Written);
  const std::string d = DescribeXmlFile(Path());
  EXPECT_NE(d.find("?xml-stylesheet type=\"text/xsl\" href=\"a&quot;b?&gt;c.xsl\"\n"), std::string::npos) << d;
  EXPECT_TRUE(sink.Messages.empty());
}

TEST_F(XmlHistory, NamesWithCharactersXmlForbidsKeepTheFileReadable) {
  ASSERT_EQ(recorder.RecordHistory(kHistoryAccess, cfg, {"0A\x01" "B\tPC\x1f\t00:00:01\t00:00:00", "1S\xff\tA", "2S\\\x02"}),
            RecordOutcome::Written);
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"C\x7f\xc3\tPC"}), RecordOutcome::Written);
  const std::string d = DescribeXmlFile(Path());
  EXPECT_NE(d.find("user(account=A?B,machine=PC?)"), std::string::npos) << d;
  EXPECT_NE(d.find("directory(account=A,name=S?)"), std::string::npos) << d;
  EXPECT_NE(d.find("\"S\\?\""), std::string::npos) << d;
  EXPECT_NE(d.find("user(name=C\x7f?)"), std::string::npos) << d;
}

TEST_F(XmlHistory, StrayLinesWithoutAParentAreLeftOut) {
  ASSERT_EQ(recorder.RecordHistory(kHistoryAccess, cfg, {"2lost.txt", "1LOST\tX", "", "9odd", "0U\tM\t1:2:3\t00:00"}),
            RecordOutcome::Written);
  EXPECT_EQ(DescribeXmlFile(Path()),
            "encoding=UTF-8\n"
            "root()\n"
            "  access(year=2010,month=01,day=05,hour=09,min=08,sec=07)\n"
            "    user(account=U,machine=M)\n"
            "      accesstime(hour=00,min=00,sec=)\n"
            "      connecttime(hour=1,min=2:,sec=)\n");
}

TEST(SplitAccessTime, HoursAreTheDigitsBeforeTheFirstColon) {
  const struct {
    const char* text;
    const char* h;
    const char* m;
    const char* s;
  } cases[] = {
      {"01:15:42", "01", "15", "42"},
      {"100:00:00", "100", "00", "00"},
      {"1234:05:06", "1234", "05", "06"},
      {"", "", "", ""},
      {"123456", "12", "45", ""},
  };
  for (const auto& c : cases) {
    const TimeParts p = SplitAccessTime(c.text);
    EXPECT_EQ(p.Hour, c.h) << c.text;
    EXPECT_EQ(p.Min, c.m) << c.text;
    EXPECT_EQ(p.Sec, c.s) << c.text;
  }
}

TEST_F(XmlHistory, EveryEncodingReadsBackWithTheSameElements) {
  for (const char* encoding : {"Shift_JIS", "EUC-JP", "UTF-16", "ISO-8859-1", "UTF-8", "windows-1252", "CP932"}) {
    SCOPED_TRACE(encoding);
    std::filesystem::remove(Path());
    cfg.XMLEncoding = encoding;
    ASSERT_EQ(recorder.RecordHistory(kHistoryAccess, cfg, kAccessLines), RecordOutcome::Written);
    EXPECT_EQ(DescribeXmlFile(Path()), std::string("encoding=") + encoding + "\n" + kAccessDescription);
  }
  EXPECT_TRUE(sink.Messages.empty());
}

TEST_F(XmlHistory, ChangedEncodingConvertsTheWholeFile) {
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"佐藤\tPC01"}), RecordOutcome::Written);
  cfg.XMLEncoding = "Shift_JIS";
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"藤\tPC02"}), RecordOutcome::Written);
  std::string bytes = ReadBytes(Path());
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n", 0), 0u);
  EXPECT_NE(bytes.find("name=\"\x8d\xb2\x93\xa1\""), std::string::npos);  // the first record, now Shift_JIS
  EXPECT_NE(bytes.find("name=\"\x93\xa1\""), std::string::npos);
  EXPECT_EQ(bytes.find("\xe4\xbd\x90"), std::string::npos);  // no UTF-8 left

  cfg.XMLEncoding = "UTF-8";
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"C\tPC03"}), RecordOutcome::Written);
  bytes = ReadBytes(Path());
  EXPECT_NE(bytes.find("name=\"佐藤\""), std::string::npos);
  EXPECT_NE(bytes.find("name=\"藤\""), std::string::npos);
  EXPECT_NE(bytes.find("name=\"C\""), std::string::npos);
}

TEST_F(XmlHistory, ShiftJisFilesAreCodePage932) {
  // A file as Windows writes it: a backslash (0x5C) and a NEC circled one (0x8740).
  WriteBytes(Path(),
             "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<root>\r\n<old path=\"C:\\a\" n=\"\x87\x40\"/>\r\n</root>\r\n");
  cfg.XMLEncoding = "Shift_JIS";
  ASSERT_EQ(recorder.RecordHistory(kHistoryAccess, cfg, kAccessLines), RecordOutcome::Written) << sink.Messages[0].Text;
  const std::string bytes = ReadBytes(Path());
  EXPECT_NE(bytes.find("<old path=\"C:\\a\" n=\"\x87\x40\"/>"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("<file>DOCS\\plan\\a.txt</file>"), std::string::npos) << bytes;
  EXPECT_NE(DescribeXmlFile(Path()).find("old(path=C:\\a,n=①)"), std::string::npos);
}

TEST_F(XmlHistory, CharactersTheEncodingLacksBecomeReferences) {
  cfg.XMLEncoding = "ISO-8859-1";
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"佐藤\tPC01", "Zoë\tPC02"}), RecordOutcome::Written);
  const std::string bytes = ReadBytes(Path());
  EXPECT_NE(bytes.find("name=\"&#20304;&#34276;\""), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("name=\"Zo\xeb\""), std::string::npos) << bytes;
  EXPECT_NE(DescribeXmlFile(Path()).find("user(name=佐藤)"), std::string::npos);
}

TEST_F(XmlHistory, EmptyEncodingMeansUtf8) {
  cfg.XMLEncoding = "Shift_JIS";
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"佐藤\tPC01"}), RecordOutcome::Written);
  cfg.XMLEncoding.clear();
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"佐藤\tPC01"}), RecordOutcome::Written);
  const std::string bytes = ReadBytes(Path());
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u) << bytes;
  EXPECT_NE(bytes.find("name=\"佐藤\""), std::string::npos);
}

TEST_F(XmlHistory, FailedRecordLeavesTheFileByteIdentical) {
  const struct {
    const char* content;
    const char* encoding;
    const char* messagePart;
  } cases[] = {
      {"<?xml version=\"1.0\"?>\n<root>\n<login>\n</root>\n", "UTF-8", "mismatch"},
      {"", "UTF-8", "empty"},
      {"<root><a:b/></root>", "UTF-8", "prefix"},
      {"<?xml version=\"1.0\" encoding=\"NO-SUCH-CODE\"?><root/>", "UTF-8", "NO-SUCH-CODE"},
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n</root>\n", "NO-SUCH-CODE", "NO-SUCH-CODE"},
      // A name Latin-1 cannot hold would be written as a reference, which no reader takes.
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n<名前/>\n</root>\n", "ISO-8859-1", "ISO-8859-1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content);
    WriteBytes(Path(), c.content);
    cfg.XMLEncoding = c.encoding;
    sink.Messages.clear();
    EXPECT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"SATO\tPC01"}), RecordOutcome::XmlFailed);
    EXPECT_EQ(ReadBytes(Path()), c.content);
    ASSERT_EQ(sink.Messages.size(), 1u);
    EXPECT_NE(sink.Messages[0].Text.find(c.messagePart), std::string::npos) << sink.Messages[0].Text;
    EXPECT_EQ(sink.Messages[0].Caption, "Sentrova Ver 2.10a");
    EXPECT_EQ(Entries(), std::vector<std::string>{"SV20100105.xml"});
  }
}

TEST_F(XmlHistory, UnreadablePathIsReported) {
  std::filesystem::create_directory(Path());
  EXPECT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"SATO\tPC01"}), RecordOutcome::XmlFailed);
  ASSERT_EQ(sink.Messages.size(), 1u);
  EXPECT_NE(sink.Messages[0].Text.find(Path()), std::string::npos);
  std::filesystem::remove(Path());
  ASSERT_EQ(::mkfifo(Path().c_str(), 0600), 0);  // must not wait for a writer
  EXPECT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"SATO\tPC01"}), RecordOutcome::XmlFailed);
  EXPECT_EQ(sink.Messages.size(), 2u);
}

TEST_F(XmlHistory, MissingFolderIsReportedAndCreatesNothing) {
  cfg.Login.Rec.RecordFolder = dir.path() + "none/";
  EXPECT_EQ(recorder.RecordHistory(kHistoryLogin, cfg, {"SATO\tPC01"}), RecordOutcome::XmlFailed);
  EXPECT_EQ(sink.Messages.size(), 1u);
  EXPECT_TRUE(Entries().empty());
}

TEST_F(XmlHistory, ExistingContentAndWhiteSpaceAreKept) {
  const std::string before =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE log>\n<log kind=\"x\">\n\t<old a=\"1\">text &amp; more</old>\n</log>\n";
  WriteBytes(Path(), before);
  ASSERT_EQ(recorder.RecordHistory(kHistoryLogout, cfg, {"A\tPC"}), RecordOutcome::Written);
  EXPECT_EQ(ReadBytes(Path()),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE log>\n<log kind=\"x\">\n\t<old a=\"1\">text &amp; more</old>\n"
            "  <logout year=\"2010\" month=\"01\" day=\"05\" hour=\"09\" min=\"08\" sec=\"07\">\n"
            "    <user name=\"A\"/>\n"
            "  </logout>\n"
            "</log>\n");
}

}  // namespace
}  // namespace sentrova
