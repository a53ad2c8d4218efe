// Planning reads of many addresses and narrowing refusals down, against a
// PLC model that answers every item as a PLC does: by what it holds.
#include <gtest/gtest.h>

#include <map>

#include "plc/PlcAddressReader.h"
#include "plc/nodave/nodave.h"

namespace {

using nodave::s7::ReadItem;

struct TPlcModel {
  std::map<TPlcObject, std::uint32_t> Sizes;  // what exists, and how large
  std::uint32_t FaultFrom = 0, FaultTo = 0;   // inputs with a hardware fault
  std::size_t Pdu = 240;
  std::size_t Requests = 0;

  int Exchange(const TReadRequest& request, std::vector<TItemAnswer>& answers) {
    EXPECT_TRUE(nodave::s7::FitsOneRequest(request, Pdu)) << "a request the PLC cannot take";
    ++Requests;
    for (const ReadItem& item : request) {
      const auto size = Sizes.find({item.area, item.db});
      const std::uint32_t end = item.start + item.count;
      if (size == Sizes.end())
        answers.push_back({daveResItemNotAvailable, {}});
      else if (end > size->second)
        answers.push_back({daveResItemAddressOutOfRange, {}});
      else if (item.area == daveInputs && item.start < FaultTo && end > FaultFrom)
        answers.push_back({daveResItemHardwareFault, {}});
      else
        answers.push_back({0, Data(item)});
    }
    return 0;
  }

  // Byte a holds a & 0xFF; timer or counter a holds 0x01, a & 0xFF.
  static std::vector<std::uint8_t> Data(const ReadItem& item) {
    std::vector<std::uint8_t> data;
    for (std::uint32_t a = item.start; a < item.start + item.count; ++a) {
      if (nodave::s7::IsTimerOrCounter(item.area)) data.push_back(0x01);
      data.push_back(static_cast<std::uint8_t>(a));
    }
    return data;
  }
  static std::uint16_t Value(const TPlcAddress& address) {
    const auto low = static_cast<std::uint16_t>(address.Address & 0xFF);
    return nodave::s7::IsTimerOrCounter(address.Area) ? static_cast<std::uint16_t>(0x100 | low)
                                                      : low;
  }
};

struct TRefused {
  std::uint32_t From, To;
  int Code;
};

std::vector<TPlcAddress> Range(std::uint8_t area, std::uint16_t db, std::uint32_t from,
                               std::uint32_t to, std::uint32_t step = 1) {
  std::vector<TPlcAddress> addresses;
  for (std::uint32_t a = from; a <= to; a += step) addresses.push_back({area, db, a});
  return addresses;
}

TEST(PlcAddressReader, PlansItemsAndNarrowsRefusalsToTheExactAddresses) {
  struct Case {
    const char* name;
    TPlcModel plc;
    std::vector<TPlcAddress> addresses;
    std::size_t items;              // items sent in all
    std::size_t requests;           // requests sent in all
    std::vector<TRefused> refused;  // the others read
    std::map<TPlcObject, std::uint32_t> sizes;
  } cases[] = {
      {"contiguous addresses are one item", {{{{daveDB, 1}, 100}}}, Range(daveDB, 1, 0, 99), 1, 1},
      // 222 bytes fill an answer of 240 bytes: 14 header, 4 item head.
      {"a long run is cut where the answer is full",
       {{{{daveDB, 1}, 4091}}},
       Range(daveDB, 1, 0, 999),
       5,
       5},
      {"at most 20 items a request",
       {{{{daveFlags, 0}, 256}}},
       Range(daveFlags, 0, 0, 48, 2),
       25,
       2},
      {"timers are words", {{{{daveTimer, 0}, 256}}}, Range(daveTimer, 0, 0, 110), 1, 1},
      {"a missing data block is refused whole, unsplit",
       {{}},
       Range(daveDB, 7, 0, 99),
       1,
       1,
       {{0, 99, daveResItemNotAvailable}}},
      {"beyond the end: the exact boundary and the size",
       {{{{daveDB, 1}, 100}}},
       Range(daveDB, 1, 90, 109),
       9,
       9,
       {{100, 109, daveResItemAddressOutOfRange}},
       {{{daveDB, 1}, 100}}},
      {"one address beyond the end still finds the size",
       {{{{daveDB, 2}, 1024}}},
       {{daveDB, 2, 0}, {daveDB, 2, 2000}},
       13,
       12,
       {{2000, 2000, daveResItemAddressOutOfRange}},
       {{{daveDB, 2}, 1024}}},
      {"other refusals are split down to the refused addresses",
       {{{{daveInputs, 0}, 256}}, 5, 7},
       Range(daveInputs, 0, 0, 15),
       11,
       5,
       {{5, 6, daveResItemHardwareFault}}},
  };
  for (Case& c : cases) {
    TPlcAddressReader reader(c.addresses, c.plc.Pdu,
                             [&](const TReadRequest& request, std::vector<TItemAnswer>& answers) {
                               return c.plc.Exchange(request, answers);
                             });
    ASSERT_EQ(reader.Run(), 0) << c.name;
    const TAddressReadOutcome& outcome = reader.Outcome();
    for (std::size_t i = 0; i < c.addresses.size(); ++i) {
      const TPlcAddress& address = c.addresses[i];
      int expected = 0;
      for (const TRefused& refused : c.refused)
        if (address.Address >= refused.From && address.Address <= refused.To)
          expected = refused.Code;
      EXPECT_EQ(outcome.Readings[i].Code, expected) << c.name << ", address " << address.Address;
      if (expected == 0) EXPECT_EQ(outcome.Readings[i].Value, TPlcModel::Value(address)) << c.name;
    }
    EXPECT_EQ(outcome.ItemsSent, c.items) << c.name;
    EXPECT_EQ(outcome.RequestsSent, c.requests) << c.name;
    EXPECT_EQ(c.plc.Requests, c.requests) << c.name;
    EXPECT_EQ(outcome.Sizes, c.sizes) << c.name;
  }
}

}  // namespace
