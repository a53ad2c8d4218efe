// The PLC's identity as the card reads it from the system status lists:
// each text by its record index, and what the PLC refuses or does not send
// left out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CardPlcFixture.h"
#include "ConfigTexts.h"

namespace {

// An SZL list as daveReadSZL copies it: header, then records.
std::vector<std::uint8_t> SzlList(int id, std::size_t recordLength,
                                  const std::vector<std::vector<std::uint8_t>>& records) {
  const auto byte = [](auto value) { return static_cast<std::uint8_t>(value); };
  std::vector<std::uint8_t> list{byte(id >> 8),       byte(id), 0, 0, 0, byte(recordLength), 0,
                                 byte(records.size())};
  for (auto record : records) {
    record.resize(recordLength);
    list.insert(list.end(), record.begin(), record.end());
  }
  return list;
}

std::vector<std::uint8_t> TextRecord(std::uint8_t index, const std::string& text) {
  std::vector<std::uint8_t> record{0, index};
  record.insert(record.end(), text.begin(), text.end());
  return record;
}

std::vector<std::uint8_t> ModeRecord(std::uint8_t bzu) {
  return {0x51, 0x44, 0xFF, bzu};
}

TEST_F(CardPlcTest, IdentityIsTakenFromTheRecordsByTheirIndex) {
  dave.szlAnswers[0x001C] = {
      0,
      SzlList(0x001C, 34,
              {TextRecord(7, "CPU 315-2 PN/DP"), TextRecord(2, "Line 4 press"), TextRecord(3, ""),
               // A serial number of the full width: no zero byte ends it, the
               // field's 24 bytes do, though the record has room for 32.
               TextRecord(5, "S C-C2UR28922012-0815-01not part"),
               // An index no field is taken from.
               TextRecord(1, std::string(32, 'N'))})};
  dave.szlAnswers[0x0011] = {
      0, SzlList(0x0011, 28,
                 {{0x00, 0x81, 'B', 'o', 'o', 't', 0, 0, 0, 0, 0,   0,  0, 0,
                   0,    0,    0,   0,   0,   0,   0, 0, 0, 0, 'A', 32, 9, 9},
                  {0x00, 0x07, ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',  ' ', ' ', ' ', ' ',
                   ' ',  ' ',  ' ', ' ', ' ', ' ', ' ', ' ', 0,   0xC0, 'V', 3,   12,  6}})};
  dave.szlAnswers[0x0424] = {0, SzlList(0x0424, 20, {ModeRecord(0x48)})};
  const TConfigInfo settings = DistinctSettings(4);
  ASSERT_TRUE(card->Connect(settings).Ok());
  TPlcIdentity identity;
  EXPECT_TRUE(card->ReadIdentity(identity).Ok());
  card->Disconnect();

  EXPECT_EQ(identity.ModuleTypeName, "CPU 315-2 PN/DP");
  EXPECT_EQ(identity.ModuleName, "Line 4 press");
  EXPECT_EQ(identity.PlantDesignation, "");
  EXPECT_EQ(identity.SerialNumber, "S C-C2UR28922012-0815-01");
  // Record 7 of the module identification, not the boot loader's.
  EXPECT_EQ(identity.FirmwareVersion, "V3.12.6");
  // The new mode is the low nibble; the high one is the previous mode.
  EXPECT_EQ(identity.OperatingState, TOperatingState::Run);
  EXPECT_THAT(dave.calls, ::testing::IsSupersetOf({"daveReadSZL(dc1,28,0)", "daveReadSZL(dc1,17,0)",
                                                   "daveReadSZL(dc1,1060,0)"}));
  ExpectNothingLeftOpen();
}

// None of these answers yields a module type or a firmware version.
TEST_F(CardPlcTest, IdentityLeavesOutWhatThePlcRefusesOrDoesNotSend) {
  struct Case {
    const char* name;
    std::map<int, FakeNoDave::SzlAnswer> answers;
    bool complete;
    std::optional<TOperatingState> state;
  };
  const Case cases[] = {
      // An S7-1200 refuses the component identification.
      {"component list refused",
       {{0x001C, {0x0A, {}}}, {0x0424, {0, SzlList(0x0424, 20, {ModeRecord(0x03)})}}},
       true,
       TOperatingState::Stop},
      {"firmware record without its mark",
       {{0x0011, {0, SzlList(0x0011, 28, {{0x00, 0x07}})}}},
       true,
       std::nullopt},
      {"records shorter than an index word",
       {{0x001C, {0, SzlList(0x001C, 1, {{0x00}, {0x07}})}}},
       true,
       std::nullopt},
      {"count beyond the buffer",
       {{0x001C, {0, {0x00, 0x1C, 0, 0, 0, 34, 0xFF, 0xFF}}}},
       true,
       std::nullopt},
      {"unknown mode",
       {{0x0424, {0, SzlList(0x0424, 20, {ModeRecord(0x0E)})}}},
       true,
       TOperatingState::Unknown},
      // A broken link is no refusal: it is reported and ends the reading.
      {"link broken", {{0x001C, {daveResTimeout, {}}}}, false, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dave.szlAnswers = c.answers;
    ASSERT_TRUE(card->Connect(DistinctSettings(4)).Ok());
    TPlcIdentity identity;
    EXPECT_EQ(card->ReadIdentity(identity).Ok(), c.complete);
    card->Disconnect();
    EXPECT_EQ(identity.ModuleTypeName, std::nullopt);
    EXPECT_EQ(identity.FirmwareVersion, std::nullopt);
    EXPECT_EQ(identity.OperatingState, c.state);
    ExpectNothingLeftOpen();
  }
}

}  // namespace
