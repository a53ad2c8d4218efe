// The card's PLC operations against a scripted library: the exact calls per
// connection type, the reference count, and that every failure is returned
// with what the user sees and leaves nothing open.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "plc/Card.h"
#include "tests/plc/FakeNoDave.h"
#include "tests/support/testsupport/ConfigTexts.h"
#include "tests/support/testsupport/TempFolder.h"
#include "ui/CardResultBox.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

// What opening, the interface and closing look like for each type, with the
// first handle the fake hands out (7) and the first interface (di1).
struct TypeCalls {
  int type;
  std::string open;
  std::string newInterface;
  std::string newConnection;
  std::string close;
};

const std::vector<TypeCalls> kTypeCalls = {
    {0, "setPort(COM3,115200,O)", "daveNewInterface(7/7,IF1,11,0,6)->di1",
     "daveNewConnection(di1,13,1,3)->dc1", "closePort(7)"},
    {1, "setPort(COM3,115200,O)", "daveNewInterface(7/7,IF1,11,1,6)->di1",
     "daveNewConnection(di1,13,1,3)->dc1", "closePort(7)"},
    {2, "setPort(COM3,115200,O)", "daveNewInterface(7/7,IF1,11,2,6)->di1",
     "daveNewConnection(di1,13,1,3)->dc1", "closePort(7)"},
    {3, "setPort(COM3,115200,E)", "daveNewInterface(7/7,IF1,12,10,1)->di1",
     "daveNewConnection(di1,14,0,0)->dc1", "closePort(7)"},
    {4, "openSocket(1102,10.0.0.5)", "daveNewInterface(7/7,IF1,0,122,1)->di1",
     "daveNewConnection(di1,13,1,3)->dc1", "closePort(7)"},
    {5, "openS7online(S7ONLINE,0)", "daveNewInterface(7/7,IF1,0,50,1)->di1",
     "daveNewConnection(di1,13,1,3)->dc1", "closeS7online(7)"},
};

class CardPlcTest : public TempFolderTest {
 protected:
  void SetUp() override {
    // No configuration file beside the driver: the card starts from defaults.
    card = std::make_unique<TCard>(0, (dir / "libs7drv.so").string());
  }
  void TearDown() override {
    EXPECT_THAT(recorder.boxes, IsEmpty()) << "the card shows nothing itself";
    card.reset();
  }

  // Nothing the attempt opened or created may outlive it.
  void ExpectNothingLeftOpen() {
    EXPECT_THAT(dave.openHandles, IsEmpty());
    EXPECT_EQ(dave.liveObjects(), 0);
    EXPECT_EQ(dave.doubleFrees, 0);
    EXPECT_EQ(dave.badCloses, 0);
    EXPECT_EQ(card->ConnectCount(), 0);
  }

  FakeNoDave dave;
  BoxRecorder recorder;
  std::unique_ptr<TCard> card;
};

TEST_F(CardPlcTest, AConnectionClosesWhatItOpenedWhenItGoes) {
  {
    TPlcConnection connection(0);
    ASSERT_TRUE(connection.OpenInterface(DistinctSettings(4)).Ok());
    ASSERT_TRUE(connection.ConnectPlc(DistinctSettings(4)).Ok());
  }
  EXPECT_THAT(dave.calls,
              ElementsAre("openSocket(1102,10.0.0.5)", "daveNewInterface(7/7,IF1,0,122,1)->di1",
                          "daveInitAdapter(di1)", "daveNewConnection(di1,13,1,3)->dc1",
                          "daveConnectPLC(dc1)", "daveDisconnectPLC(dc1)", "daveFree(dc1)",
                          "daveDisconnectAdapter(di1)", "closePort(7)", "daveFree(di1)"));
  ExpectNothingLeftOpen();
}

TEST_F(CardPlcTest, ReadOrderCodeMakesExactlyTheCallsOfEachConnectionType) {
  for (const TypeCalls& expected : kTypeCalls) {
    SCOPED_TRACE("connection type " + std::to_string(expected.type));
    FakeNoDave fake;  // fresh numbering per type

    const TResultOr<std::string> read = card->ReadOrderCode(DistinctSettings(expected.type));

    EXPECT_EQ(read.Value, "Order Code:6ES7 315-2EH14-0AB0");
    EXPECT_THAT(fake.calls,
                ElementsAre(expected.open, expected.newInterface, "daveInitAdapter(di1)",
                            expected.newConnection, "daveConnectPLC(dc1)", "daveGetOrderCode(dc1)",
                            "daveDisconnectPLC(dc1)", "daveFree(dc1)", "daveDisconnectAdapter(di1)",
                            expected.close, "daveFree(di1)", "sleepMs(100)"));
    EXPECT_THAT(fake.openHandles, IsEmpty());
    EXPECT_EQ(fake.liveObjects(), 0);
    EXPECT_TRUE(read.Result.Ok());
  }
  // The card's own record was never consulted for closing: it still says MPI.
  EXPECT_EQ(card->Config().Connectiontype, 0);
}

TEST_F(CardPlcTest, TableSettingsSelectBaudTextAndSpeedCode) {
  const std::vector<std::string> bauds = {"9600", "19200", "38400", "57600", "115200"};
  for (int index = 0; index <= 6; ++index) {
    FakeNoDave fake;
    TConfigInfo settings = DistinctSettings(0);
    settings.Baudrate = index % 5;
    settings.ProfibusSpeedIndex = index;
    card->ReadOrderCode(settings);
    ASSERT_GE(fake.calls.size(), 2u);
    EXPECT_EQ(fake.calls[0], "setPort(COM3," + bauds[static_cast<std::size_t>(index % 5)] + ",O)");
    EXPECT_EQ(fake.calls[1], "daveNewInterface(7/7,IF1,11,0," + std::to_string(index) + ")->di1");
  }
}

TEST_F(CardPlcTest, ConnectionIsReferenceCounted) {
  const TConfigInfo settings = DistinctSettings(4);
  ASSERT_TRUE(card->Connect(settings).Ok());
  ASSERT_TRUE(card->Connect(settings).Ok());
  EXPECT_EQ(card->ConnectCount(), 2);
  EXPECT_TRUE(card->Channels().HasGroups());
  const std::size_t callsWhileConnected = dave.calls.size();
  EXPECT_EQ(callsWhileConnected, 5u) << "the second Connect only counts";

  card->Disconnect();
  EXPECT_EQ(dave.calls.size(), callsWhileConnected) << "the first Disconnect only counts";
  EXPECT_EQ(card->ConnectCount(), 1);
  EXPECT_THAT(dave.openHandles, ElementsAre(7));

  card->Disconnect();
  EXPECT_THAT(std::vector<std::string>(dave.calls.begin() + 5, dave.calls.end()),
              ElementsAre("daveDisconnectPLC(dc1)", "daveFree(dc1)", "daveDisconnectAdapter(di1)",
                          "closePort(7)", "daveFree(di1)", "sleepMs(100)"));
  EXPECT_FALSE(card->Channels().HasGroups());

  const std::size_t callsAfterClose = dave.calls.size();
  card->Disconnect();
  EXPECT_EQ(dave.calls.size(), callsAfterClose);
  EXPECT_EQ(dave.closedHandles, std::vector<int>{7});
  ExpectNothingLeftOpen();
}

// One failure per row: which step fails, for which type, and what the user
// sees (the box's caption and text).
struct FailureCase {
  const char* name;
  int type;
  enum { OpenFails, InitFails, ConnectFails } step;
  std::string caption;
  std::string text;
  std::vector<std::string> calls;
};

const std::vector<FailureCase> kFailures = {
    {"PPI port",
     3,
     FailureCase::OpenFails,
     "Error",
     "Could not open the serial interface \"COM3\"",
     {"setPort(COM3,115200,E)"}},
    {"TCP socket",
     4,
     FailureCase::OpenFails,
     "Error",
     "Could not open the port 1102",
     {"openSocket(1102,10.0.0.5)"}},
    {"S7ONLINE",
     5,
     FailureCase::OpenFails,
     "Error",
     "Could not open the virtual connection to \"S7ONLINE\"",
     {"openS7online(S7ONLINE,0)"}},
    // An MPI port that did not open shows up at the adapter, and -1 is never closed.
    {"MPI port",
     1,
     FailureCase::OpenFails,
     "Fehler",
     "Error: adapter does not answer",
     {"setPort(COM3,115200,O)", "daveNewInterface(-1/-1,IF1,11,1,6)->di1", "daveInitAdapter(di1)",
      "daveFree(di1)"}},
    {"MPI adapter",
     0,
     FailureCase::InitFails,
     "Fehler",
     "Error: adapter does not answer",
     {"setPort(COM3,115200,O)", "daveNewInterface(7/7,IF1,11,0,6)->di1", "daveInitAdapter(di1)",
      "daveFree(di1)", "closePort(7)"}},
    {"S7ONLINE adapter",
     5,
     FailureCase::InitFails,
     "Fehler",
     "Error: adapter does not answer",
     {"openS7online(S7ONLINE,0)", "daveNewInterface(7/7,IF1,0,50,1)->di1", "daveInitAdapter(di1)",
      "daveFree(di1)", "closeS7online(7)"}},
    {"TCP PLC",
     4,
     FailureCase::ConnectFails,
     "Fehler",
     "Error: the PLC refused",
     {"openSocket(1102,10.0.0.5)", "daveNewInterface(7/7,IF1,0,122,1)->di1", "daveInitAdapter(di1)",
      "daveNewConnection(di1,13,1,3)->dc1", "daveConnectPLC(dc1)", "daveFree(dc1)",
      "daveDisconnectAdapter(di1)", "closePort(7)", "daveFree(di1)"}},
    {"PPI PLC",
     3,
     FailureCase::ConnectFails,
     "Fehler",
     "Error: the PLC refused",
     {"setPort(COM3,115200,E)", "daveNewInterface(7/7,IF1,12,10,1)->di1", "daveInitAdapter(di1)",
      "daveNewConnection(di1,14,0,0)->dc1", "daveConnectPLC(dc1)", "daveFree(dc1)",
      "daveDisconnectAdapter(di1)", "closePort(7)", "daveFree(di1)"}},
};

TEST_F(CardPlcTest, EveryFailureIsReturnedAndLeavesNothingOpen) {
  for (const FailureCase& c : kFailures) {
    SCOPED_TRACE(c.name);
    FakeNoDave fake;
    fake.errorTexts = {{-21, "adapter does not answer"}, {-33, "the PLC refused"}};
    if (c.step == FailureCase::OpenFails) {
      fake.failSetPort = fake.failOpenSocket = fake.failOpenS7online = true;
      fake.initAdapterResult = -21;  // what a port that never opened causes
    }
    if (c.step == FailureCase::InitFails) fake.initAdapterResult = -21;
    if (c.step == FailureCase::ConnectFails) fake.connectPlcResult = -33;

    const TResultOr<std::string> read = card->ReadOrderCode(DistinctSettings(c.type));
    EXPECT_EQ(read.Value, "");

    ASSERT_FALSE(read.Result.Ok());
    EXPECT_EQ(FailureCaption(read.Result.Kind), c.caption);
    EXPECT_EQ(read.Result.Text(), c.text);
    EXPECT_THAT(fake.calls, ElementsAreArray(c.calls));
    EXPECT_THAT(fake.openHandles, IsEmpty());
    EXPECT_EQ(fake.liveObjects(), 0);
    EXPECT_EQ(fake.badCloses, 0);
    EXPECT_EQ(fake.doubleFrees, 0);
    EXPECT_EQ(card->ConnectCount(), 0);
    EXPECT_FALSE(card->Channels().HasGroups());
  }
}

TEST_F(CardPlcTest, FailedConnectLeavesTheCardReadyForTheNextAttempt) {
  dave.connectPlcResult = -33;
  EXPECT_FALSE(card->Connect(DistinctSettings(4)).Ok());
  card->Disconnect();  // nothing to release: no close, no pause
  EXPECT_THAT(dave.calls, ::testing::Not(::testing::Contains("sleepMs(100)")));
  dave.connectPlcResult = 0;
  EXPECT_EQ(card->ReadOrderCode(DistinctSettings(4)).Value, "Order Code:6ES7 315-2EH14-0AB0");
  ExpectNothingLeftOpen();
}

TEST_F(CardPlcTest, SettingsOutsideTheirTablesOpenNothing) {
  struct Row {
    int type, baudrate, speed;
    std::string text;
  };
  const std::vector<Row> rows = {
      {6, 0, 0, "The setting Connectiontype=6 is not a valid choice, so no connection was opened."},
      {-1, 0, 0,
       "The setting Connectiontype=-1 is not a valid choice, so no connection was opened."},
      {3, 5, 0, "The setting Baudrate=5 is not a valid choice, so no connection was opened."},
      {0, -1, 0, "The setting Baudrate=-1 is not a valid choice, so no connection was opened."},
      {2, 0, 7,
       "The setting ProfibusSpeedIndex=7 is not a valid choice, so no connection was opened."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    FakeNoDave fake;
    TConfigInfo settings = DistinctSettings(row.type);
    settings.Baudrate = row.baudrate;
    settings.ProfibusSpeedIndex = row.speed;

    const TResult connected = card->Connect(settings);
    TIntegerList partners;
    partners.Add(9);
    const TResult listed = card->ListPartners(settings, partners);

    EXPECT_THAT(fake.calls, IsEmpty());
    ASSERT_FALSE(connected.Ok());
    ASSERT_FALSE(listed.Ok());
    EXPECT_EQ(FailureCaption(connected.Kind), "Error");
    EXPECT_EQ(connected.Text(), row.text);
    ASSERT_EQ(partners.Count(), 1);
    EXPECT_EQ(partners.Values(0), 9);
  }
}

TEST_F(CardPlcTest, SettingsOnlyCheckedWhereTheTypeUsesThem) {
  // Neither baud rate nor bus speed matter to ISO over TCP.
  TConfigInfo settings = DistinctSettings(4);
  settings.Baudrate = 99;
  settings.ProfibusSpeedIndex = 99;
  const TResultOr<std::string> read = card->ReadOrderCode(settings);
  EXPECT_EQ(read.Value, "Order Code:6ES7 315-2EH14-0AB0");
  EXPECT_TRUE(read.Result.Ok());
}

TEST_F(CardPlcTest, ListPartnersTakesTheAnsweringAddressesInOrder) {
  struct Row {
    int filled;
    std::vector<int> answering;
    std::vector<int> expected;
  };
  const std::vector<Row> rows = {
      {126, {5, 2}, {2, 5}},     {126, {0, 125}, {0, 125}},
      {4, {2, 5}, {2}},                               // only the filled entries count
      {300, {2, 125}, {2, 125}},                      // a count beyond the buffer stops at its end
      {0, {2, 5}, {}},           {-5, {2, 5}, {99}},  // a failed listing keeps the list
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("filled " + std::to_string(row.filled));
    FakeNoDave fake;
    fake.partnersFilled = row.filled;
    fake.answeringAddresses = row.answering;
    TIntegerList partners;
    partners.Add(99);  // replaced by the listing

    EXPECT_EQ(card->ListPartners(DistinctSettings(0), partners).Ok(), row.filled >= 0);

    std::vector<int> got;
    for (int i = 0; i < partners.Count(); ++i) got.push_back(partners.Values(i));
    EXPECT_EQ(got, row.expected);
    EXPECT_THAT(fake.calls,
                ElementsAre("setPort(COM3,115200,O)", "daveNewInterface(7/7,IF1,11,0,6)->di1",
                            "daveInitAdapter(di1)", "daveListReachablePartners(di1)",
                            "daveDisconnectAdapter(di1)", "closePort(7)", "daveFree(di1)"));
    EXPECT_THAT(fake.openHandles, IsEmpty());
    EXPECT_EQ(fake.liveObjects(), 0);
  }
}

TEST_F(CardPlcTest, ListPartnersKeepsTheListWhenNothingOpens) {
  for (int type : {3, 4, 5}) {
    FakeNoDave fake;
    fake.failSetPort = fake.failOpenSocket = fake.failOpenS7online = true;
    fake.answeringAddresses = {1};
    TIntegerList partners;
    partners.Add(2);
    partners.Add(5);

    const TResult listed = card->ListPartners(DistinctSettings(type), partners);

    ASSERT_EQ(partners.Count(), 2);
    EXPECT_EQ(partners.Values(0), 2);
    EXPECT_EQ(partners.Values(1), 5);
    EXPECT_FALSE(listed.Ok());
    EXPECT_EQ(fake.calls.size(), 1u) << "nothing follows the failed open";
  }
}

TEST_F(CardPlcTest, ListingWhileConnectedClosesEachPortTheWayItWasOpened) {
  ASSERT_TRUE(card->Connect(DistinctSettings(4)).Ok());  // socket 7
  TIntegerList partners;
  card->ListPartners(DistinctSettings(5), partners);  // access point 8
  card->Disconnect();

  EXPECT_THAT(dave.calls, ::testing::Contains("closeS7online(8)"));
  EXPECT_THAT(dave.calls, ::testing::Contains("closePort(7)"));
  ExpectNothingLeftOpen();
}

TEST_F(CardPlcTest, OrderCodeEndsAtTheFirstZero) {
  dave.orderCode = std::string("6ES7 214-1AD23-0XB0\0junk", 24);
  EXPECT_EQ(card->ReadOrderCode(DistinctSettings(4)).Value, "Order Code:6ES7 214-1AD23-0XB0");
  dave.orderCode.clear();
  EXPECT_EQ(card->ReadOrderCode(DistinctSettings(4)).Value, "Order Code:");
}

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

TEST_F(CardPlcTest, DestroyingAConnectedCardReleasesThePort) {
  ASSERT_TRUE(card->Connect(DistinctSettings(5)).Ok());
  card.reset();
  EXPECT_THAT(dave.openHandles, IsEmpty());
  EXPECT_EQ(dave.liveObjects(), 0);
  EXPECT_THAT(dave.calls, ::testing::Contains("closeS7online(7)"));
}

TEST_F(CardPlcTest, LibraryFailureBuildsTheMessage) {
  struct Row {
    std::string text;
    int code;
    std::vector<std::string> boxes;  // none for success
  };
  dave.errorTexts = {{-21, "adapter does not answer"}};
  const std::vector<Row> rows = {
      {"", 0, {}},
      {"", -21, {"Error: adapter does not answer"}},
      {"", 4711, {"Error: Could not establish connection with these parameters."}},
      {"Reading failed", 0, {"Reading failed"}},
      {"Reading failed", -21, {"Reading failed\nError: adapter does not answer"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text + "/" + std::to_string(row.code));
    const TResult result = LibraryFailure(row.code, row.text);
    std::vector<std::string> texts;
    if (!result.Ok()) {
      texts.push_back(result.Text());
      EXPECT_EQ(FailureCaption(result.Kind), "Fehler");
      EXPECT_EQ(result.LibraryCode, row.code);
    }
    EXPECT_EQ(texts, row.boxes);
  }
}

}  // namespace
