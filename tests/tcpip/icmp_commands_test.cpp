#include "tcpip/icmp_commands.h"

#include <gtest/gtest.h>

#include "app/res_item.h"
#include "app/term_list.h"
#include "support/icmp_fakes.h"

namespace sentrova {
namespace {

using test::FakeIcmp;
using test::Ip;

TEST(IcmpCommands, LookupAddressDropsTheFoundMark) {
  EXPECT_EQ(MacLookupAddress("*192.168.1.10"), "192.168.1.10");
  EXPECT_EQ(MacLookupAddress("192.168.1.10"), "192.168.1.10");
  EXPECT_EQ(MacLookupAddress("*123456789012345678901234"), "12345678901234567890");
  EXPECT_EQ(MacLookupAddress(""), "");
}

TEST(IcmpCommands, GetMacFillsOrEmptiesTheColumn) {
  FakeIcmp f;
  f.neighbours->table[Ip("192.168.1.10")] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
  ListRow row;
  row.SubItems[kSubIP] = "*192.168.1.10";
  GetMacOfRow(*f.icmp, row);
  EXPECT_EQ(row.SubItems[kSubMac], "00:1A:2B:3C:4D:5E");
  EXPECT_TRUE(f.icmp->IsActive());

  row.SubItems[kSubIP] = "192.168.1.11";  // does not answer
  GetMacOfRow(*f.icmp, row);
  EXPECT_EQ(row.SubItems[kSubMac], "");

  ResItem item;
  item.IP = " 192.168.1.10";
  item.MacAddr = "old";
  GetMacOfRow(*f.icmp, item);
  EXPECT_EQ(item.MacAddr, "00:1A:2B:3C:4D:5E");
  ClearMacOfRow(item);
  EXPECT_EQ(item.MacAddr, "");
  row.SubItems[kSubMac] = "00:11:22:33:44:55";
  ClearMacOfRow(row);
  EXPECT_EQ(row.SubItems[kSubMac], "");
}

TEST(IcmpCommands, GetMacStopsWhenActivationFails) {
  FakeIcmp f;
  f.echo->probeError = 13;
  f.neighbours->table[Ip("192.168.1.10")] = {1, 2, 3, 4, 5, 6};
  ListRow row;
  row.SubItems[kSubIP] = "192.168.1.10";
  row.SubItems[kSubMac] = "01:02:03:04:05:06";
  GetMacOfRow(*f.icmp, row);
  EXPECT_EQ(row.SubItems[kSubMac], "");
  EXPECT_TRUE(f.neighbours->asked.empty());
}

TEST(IcmpCommands, WakeSendsOnlyAValidMac) {
  FakeIcmp f;
  ListRow row;
  row.SubItems[kSubMac] = "00:11:22:33:44:55";
  EXPECT_EQ(WakeRow(*f.icmp, row), std::nullopt);
  ASSERT_EQ(f.broadcaster->sent.size(), 1u);
  EXPECT_EQ(f.broadcaster->sent[0].payload, BuildWakePacket({0x00, 0x11, 0x22, 0x33, 0x44, 0x55}));

  for (const char* bad : {"", "00-11-22-33-44-55", "00:11:22:33:44:zz"}) {
    row.SubItems[kSubMac] = bad;
    const std::optional<std::string> error = WakeRow(*f.icmp, row);
    ASSERT_TRUE(error.has_value()) << bad;
    EXPECT_FALSE(error->empty());
  }
  EXPECT_EQ(*WakeMacText(*f.icmp, "00:11:22:33:44:zz"), "'0xzz' is not a valid integer value");
  EXPECT_EQ(f.broadcaster->sent.size(), 1u);
}

}  // namespace
}  // namespace sentrova
