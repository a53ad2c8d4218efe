// Reading a PLC a scan found, against a scripted library: the search goes on
// only while the PLC refuses pairs, and no connection stays open.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "plc/ScanRead.h"
#include "tests/plc/FakeNoDave.h"
#include "tests/support/testsupport/ConfigTexts.h"

namespace {

TEST(ScanReadTest, OnlyARefusedPairLeadsToTheNextAndEveryConnectionCloses) {
  // The file's pair (rack 1, slot 3), then the search's eleven others: rack
  // 1's slots 0 to 5, rack 0's; a peer that does not answer is asked no more.
  const std::pair<int, int> rows[] = {{daveResConnectionRefused, 12}, {daveResTimeout, 1}};
  for (const auto& [result, attempts] : rows) {
    FakeNoDave dave;
    dave.connectPlcResult = result;
    TOpenPort port{0x7F000009, 1102, TSocket(NoDave().openSocket(1102, "probe").Handle)};
    EXPECT_FALSE(ReadFoundPlc(port, DistinctSettings(0)).has_value());
    EXPECT_EQ(std::count(dave.calls.begin(), dave.calls.end(), "openSocket(1102,127.0.0.9)"),
              attempts - 1);  // the first attempt is the probe's
    EXPECT_THAT(dave.openHandles, ::testing::IsEmpty());
    EXPECT_EQ(dave.liveObjects(), 0);
    EXPECT_EQ(dave.badCloses, 0);
  }
}

}  // namespace
