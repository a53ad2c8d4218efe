// Reading a PLC a scan found, against a scripted library: which rack/slot
// pairs are tried on which connections, and that none stays open.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ConfigTexts.h"
#include "FakeNoDave.h"
#include "ScanRead.h"

namespace {

using ::testing::IsEmpty;

TEST(ScanReadTest, TheFilesPairFirstOnTheProbesSocketThenTheSearchOneConnectionEach) {
  const struct {
    const char* name;
    int rack, slot;
    std::vector<int> connects;  // the results of the attempts in turn; then success
    std::vector<std::string> pairs;
    bool found;
  } rows[] = {
      {"accepted at once", 0, 2, {}, {"0/2"}, true},
      {"the search in the library's order, the file's pair not twice", 0, 2,
       {daveResConnectionRefused, daveResCotpRefusedBase - 0x88, daveResConnectionClosed},
       {"0/2", "0/0", "0/1", "0/3"}, true},
      {"another rack: its slots, then rack 0's", 1, 9,
       std::vector<int>(13, daveResConnectionRefused),
       {"1/9", "1/0", "1/1", "1/2", "1/3", "1/4", "1/5", "0/0", "0/1", "0/2", "0/3", "0/4", "0/5"},
       false},
      {"a peer that does not answer is asked no more", 0, 2, {daveResTimeout}, {"0/2"}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakeNoDave dave;
    dave.connectPlcResults = row.connects;
    TConfigInfo settings = DistinctSettings(0);  // the scan talks ISO over TCP whatever the file says
    settings.Rack = row.rack;
    settings.Slot = row.slot;
    TOpenPort port{0x7F000009, 1102, TSocket(NoDave().openSocket(1102, "probe").Handle)};

    const auto record = ReadFoundPlc(port, settings);

    std::vector<std::string> pairs;
    std::size_t sockets = 0;
    for (const std::string& call : dave.calls) {
      if (call.starts_with("daveNewConnection(")) {
        const std::string arguments = call.substr(call.find(',', call.find(',') + 1) + 1);
        pairs.push_back(arguments.substr(0, arguments.find(',')) + "/" +
                        arguments.substr(arguments.find(',') + 1, arguments.find(')') -
                                                                      arguments.find(',') - 1));
      }
      sockets += call == "openSocket(1102,127.0.0.9)";
    }
    EXPECT_EQ(pairs, row.pairs);
    EXPECT_EQ(sockets, row.pairs.size() - 1);  // the first attempt is the probe's
    ASSERT_EQ(record.has_value(), row.found);
    if (record) {
      EXPECT_EQ(std::to_string(record->Rack) + "/" + std::to_string(record->Slot),
                row.pairs.back());
      EXPECT_EQ(record->OrderCode, "6ES7 315-2EH14-0AB0");
    }
    EXPECT_THAT(dave.openHandles, IsEmpty());
    EXPECT_EQ(dave.liveObjects(), 0);
    EXPECT_EQ(dave.badCloses, 0);
    EXPECT_FALSE(port.Socket);
  }
}

}  // namespace
