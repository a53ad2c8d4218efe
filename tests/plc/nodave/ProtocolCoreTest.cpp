// The protocol core driven through the fake transport and fake clock: frames
// byte for byte against the capture and the protocol notes, and every kind
// of bad answer a PLC or adapter can give.
#include <gtest/gtest.h>

#include <string>

#include "plc/nodave/ByteIO.h"
#include "plc/nodave/IsoTcp.h"
#include "plc/nodave/Mpi.h"
#include "plc/nodave/Ppi.h"
#include "plc/nodave/ReadVar.h"
#include "plc/nodave/S7Pdu.h"
#include "plc/nodave/Session.h"
#include "plc/nodave/Texts.h"
#include "plc/nodave/nodave.h"
#include "tests/plc/nodave/Causes.h"
#include "tests/plc/nodave/FakeTransport.h"
#include "tests/plc/nodave/S7Frames.h"

namespace nodave::testing {
namespace {

TEST(ByteReader, ReadsPastTheEndGiveZeroAndClearOk) {
  const Bytes data = Hex("12 34 56");
  ByteReader r(data);
  EXPECT_EQ(r.be16(), 0x1234);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.be16(), 0);  // only one byte left
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.u8(), 0);  // stays failed
  ByteReader l(data);
  EXPECT_EQ(l.le16(), 0x3412);
  EXPECT_TRUE(l.bytes(2).empty());
  EXPECT_FALSE(l.ok());
}

// Frames we send, against the emulator capture and the protocol notes.
TEST(Frames, MatchTheReferenceBytes) {
  struct Case {
    const char* name;
    Bytes built;
    const char* expected;
  } cases[] = {
      {"connection request rack 0 slot 2", iso::BuildConnectionRequest(iso::RemoteTsap(0, 2)),
       "03 00 00 16 11 E0 00 00 00 01 00 C0 01 0A C1 02 01 00 C2 02 01 02"},
      {"setup communication", iso::BuildDataTpdu(s7::BuildSetupCommunication(0x0100, 480)),
       "03 00 00 19 02 F0 80 32 01 00 00 01 00 00 08 00 00 F0 00 00 01 00 01 01 E0"},
      {"read SZL 0011/0000", iso::BuildDataTpdu(s7::BuildSzlRequest(0x0100, 0x0011, 0)),
       "03 00 00 21 02 f0 80 32 07 00 00 01 00 00 08 00 08 00 01 12 04 11 44 01 00 ff 09 00 04 "
       "00 11 00 00"},
      {"SZL follow-up", s7::BuildSzlFollowUp(0x0300, 0),
       "32 07 00 00 03 00 00 0C 00 04 00 01 12 08 12 44 01 00 00 00 00 00 0A 00 00 00"},
      {"PPI setup to station 2",
       ppi::BuildDataFrame(2, 0, 0x6C, s7::BuildSetupCommunication(0, 240)),
       "68 15 15 68 02 00 6C 32 01 00 00 00 00 00 08 00 00 F0 00 00 01 00 01 00 F0 8B 16"},
      {"PPI read SZL", ppi::BuildDataFrame(2, 0, 0x6C, s7::BuildSzlRequest(0, 0x0011, 0)),
       "68 1D 1D 68 02 00 6C 32 07 00 00 00 00 00 08 00 08 00 01 12 04 11 44 01 00 FF 09 00 04 "
       "00 11 00 00 41 16"},
      {"read DB1 bytes 42..44 and timers 1..2",
       s7::BuildReadVarRequest(0x0004,
                               std::vector<s7::ReadItem>{{0x84, 1, 42, 3}, {0x1D, 0, 1, 2}}),
       "32 01 00 00 00 04 00 1A 00 00 04 02 12 0A 10 02 00 03 00 01 84 00 01 50 "
       "12 0A 10 1D 00 02 00 00 1D 00 00 01"},
      {"PPI poll", ppi::BuildShortFrame(2, 0, 0x5C), "10 02 00 5C 5E 16"},
      {"PPI alternate poll", ppi::BuildShortFrame(2, 0, 0x7C), "10 02 00 7C 7E 16"},
      {"MPI connection request", mpi::BuildConnectionRequest(2, 0, 2),
       "04 82 00 0D 00 14 E0 04 00 80 00 02 00 02 01 00 01 02"},
      {"MPI confirm", mpi::BuildBusTelegram(2, 0x00, 0x12, mpi::kCmdConfirm, Hex("01")),
       "04 82 00 0C 12 14 05 01"},
      {"MPI disconnect", mpi::BuildBusTelegram(2, 0x00, 0x12, mpi::kCmdDisconnect, {}),
       "04 82 00 0C 12 14 80"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.built, Hex(c.expected)) << c.name;

  Bytes join;
  ASSERT_EQ(mpi::BuildBusConnect(0, daveSpeed187k, join), 0);
  EXPECT_EQ(join, Hex("01 03 02 27 00 9F 01 3C 00 90 01 14 00 00 05 02 00 1F 02 01 01 03 81"));
  EXPECT_EQ(iso::RemoteTsap(1, 3), 0x0123);
}

TEST(Ppi, ChecksumOfACapturedReadAnswerIsAccepted) {
  FakeClock clock;
  FakeTransport link(clock);
  link.reply(
      Hex("68 16 16 68 00 02 08 32 03 00 00 00 00 00 02 00 05 00 00 04 01 FF 04 00 08 00 "
          "56 16"));
  ppi::Frame f;
  ASSERT_EQ(ppi::ReceiveFrame(link, Deadline(clock, Micros(1000)), f), 0);
  EXPECT_EQ(f.kind, ppi::Frame::kData);
  EXPECT_EQ(f.da, 0);
  EXPECT_EQ(f.sa, 2);
  EXPECT_EQ(f.fc, 0x08);
  EXPECT_EQ(f.data.size(), 0x16u - 3);
}

TEST(Ppi, BadFramesAreRefused) {
  struct Case {
    const char* name;
    const char* bytes;
    int expected;
  } cases[] = {
      {"checksum off by one", "10 00 02 08 0B 16", daveResBadChecksum},
      {"wrong end delimiter", "10 00 02 08 0A 17", daveResBadFrame},
      {"lengths differ", "68 05 06 68 00 02 08 32 01 3D 16", daveResBadFrame},
      {"length below header", "68 02 02 68 00 02 02 16", daveResBadFrame},
      {"only noise", "00 11 22 33", daveResBadFrame},
      {"truncated", "68 05 05 68 00 02", daveResTimeout},
  };
  for (const Case& c : cases) {
    FakeClock clock;
    FakeTransport link(clock);
    link.reply(Hex(c.bytes));
    ppi::Frame f;
    EXPECT_EQ(ppi::ReceiveFrame(link, Deadline(clock, Micros(1000)), f), c.expected) << c.name;
  }
}

TEST(Mpi, BlocksDoubleDleAndCheckWithXorIncludingDleEtx) {
  Bytes block = mpi::EncodeBlock(Hex("01 10 02"));
  // 01 10 10 02 10 03, BCC = 01^10^10^02^10^03 = 0x10
  EXPECT_EQ(block, Hex("01 10 10 02 10 03 10"));

  FakeClock clock;
  FakeTransport link(clock);
  link.reply(block);
  Bytes telegram;
  ASSERT_EQ(mpi::ReceiveBlockBody(link, Deadline(clock, Micros(1000)), telegram), 0);
  EXPECT_EQ(telegram, Hex("01 10 02"));

  struct Case {
    const char* name;
    const char* bytes;
    int expected;
  } cases[] = {
      {"wrong BCC", "01 10 03 13", daveResBadChecksum},
      {"single DLE in the data", "01 10 05 10 03 00", daveResBadFrame},
      {"ends without BCC", "01 10 03", daveResTimeout},
  };
  for (const Case& c : cases) {
    FakeTransport bad(clock);
    bad.reply(Hex(c.bytes));
    EXPECT_EQ(mpi::ReceiveBlockBody(bad, Deadline(clock, Micros(1000)), telegram), c.expected)
        << c.name;
  }
}

TEST(Mpi, AdapterAnswersAreDecoded) {
  struct Case {
    const char* name;
    const char* telegram;
    int expected;
  } cases[] = {
      {"version text", "01 03 20 56 30 30 2E 38 35", 0},
      {"wrong bus speed", "01 03 20 45 3D 30 33 31 33", daveResAdapterErrorBase - 0x0313},
      {"unknown error", "01 03 20 45 3D 30 30 30 31", daveResAdapterError},
      {"error without digits", "01 03 20 45 3D", daveResAdapterError},
      {"answer to another command", "01 07 20 00", daveResUnexpectedFunc},
      {"too short", "01 03", daveResShortPacket},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(mpi::CheckAdapterAnswer(Hex(c.telegram), 0x03), c.expected) << c.name;
  }
  EXPECT_TRUE(HasText(daveResAdapterErrorBase - 0x0313));

  std::uint8_t list[126] = {};
  Bytes scan = Concat({Hex("01 07 20 00 00 1F"), Bytes(127, 0x10)});
  scan[6 + 0] = 0x30;
  scan[6 + 2] = 0x30;
  EXPECT_EQ(mpi::ParseBusScan(scan, list, sizeof list), 126);  // never more than the buffer
  EXPECT_EQ(list[0], 0x30);
  EXPECT_EQ(list[1], 0x10);
  EXPECT_EQ(list[2], 0x30);
  EXPECT_EQ(mpi::ParseBusScan(Hex("01 07 20 00 00"), list, sizeof list), daveResShortPacket);
}

TEST(Mpi, OnlyDocumentedBusParametersAreSent) {
  Bytes t;
  EXPECT_EQ(mpi::BuildBusConnect(0, daveSpeed19k, t), daveResSpeedUndocumented);
  EXPECT_EQ(mpi::BuildBusConnect(0, 7, t), daveResInvalidSpeed);
  EXPECT_EQ(mpi::BuildBusConnect(127, daveSpeed187k, t), daveResInvalidAddress);
  ASSERT_EQ(mpi::BuildBusConnect(40, daveSpeed187k, t), 0);
  EXPECT_EQ(t[3], 126 + 8);  // a local address above 31 needs the highest station 126
  EXPECT_EQ(t[17], 126);
}

TEST(Mpi, SenderRepeatsAfterNakAndGivesUpAfterSixAttempts) {
  FakeClock clock;
  FakeTransport link(clock);
  // Room for all six attempts: the call's own limit is tested elsewhere.
  CallBudget budget(clock, Micros(1000), 10);
  budget.startCall();
  MpiAdapter adapter(link, budget);
  // STX -> DLE, block -> NAK, STX -> DLE, block -> DLE.
  link.reply(Hex("10 15 10 10"));
  EXPECT_EQ(adapter.sendTelegram(Hex("01 04 02")), 0);
  Bytes block = Concat({Hex("02"), mpi::EncodeBlock(Hex("01 04 02"))});
  ASSERT_EQ(link.sent.size(), 4u);
  EXPECT_EQ(link.sent[0], Hex("02"));
  EXPECT_EQ(link.sent[1], mpi::EncodeBlock(Hex("01 04 02")));
  EXPECT_EQ(link.sent[3], link.sent[1]);

  FakeTransport silent(clock);
  MpiAdapter mute(silent, budget);
  budget.startCall();
  Micros before = clock.now();
  EXPECT_EQ(mute.sendTelegram(Hex("01 04 02")), daveResTimeout);
  EXPECT_EQ(silent.sent.size(), 6u);  // six STX, no block
  EXPECT_EQ(clock.now() - before, Micros(6000));
}

// Connection over ISO-TCP with a scripted PLC.
class IsoSession : public ::testing::Test {
 protected:
  void SetUp() override {
    link_.clear();
    iface_ = Interface::Create(std::make_unique<TransportRef>(link_), clock_, "IF1", 0,
                               daveProtoISOTCP, 1);
    ASSERT_TRUE(iface_);
    iface_->setTimeout(Micros(20000));
    ASSERT_EQ(iface_->initAdapter(), 0);
    connection_ = std::make_unique<Connection>(*iface_, 2, 0, 2);
  }
  // CC and set-up answer with the references our connection uses (1, then 2...).
  void acceptConnection() {
    link_.reply(ConnectConfirm());
    link_.reply(Iso(SetupAnswerPdu(1)));
  }
  int readOrderCode(std::string& text) {
    std::array<char, 20> code{};
    int r = connection_->readOrderCode(code);
    text.assign(code.begin(), code.end());
    return r;
  }

  FakeClock clock_;
  FakeTransport link_{clock_};
  std::unique_ptr<Interface> iface_;
  std::unique_ptr<Connection> connection_;
};

TEST_F(IsoSession, ConnectsAndReadsTheOrderCode) {
  acceptConnection();
  link_.reply(Iso(SzlAnswerPdu(2, Szl0011Payload())));
  ASSERT_EQ(connection_->connectPLC(), 0);
  EXPECT_EQ(connection_->pduLength(), 480);
  std::string code;
  ASSERT_EQ(readOrderCode(code), 0);
  EXPECT_EQ(code, "6ES7 315-2EH14-0AB0 ");
  ASSERT_EQ(link_.sent.size(), 3u);
  EXPECT_EQ(link_.sent[0], iso::BuildConnectionRequest(0x0102));
  EXPECT_EQ(link_.sent[1], Iso(s7::BuildSetupCommunication(1, 480)));
  EXPECT_EQ(link_.sent[2], Iso(s7::BuildSzlRequest(2, 0x0011, 0)));
  EXPECT_EQ(connection_->disconnectPLC(), 0);
  EXPECT_EQ(link_.shutdowns, 1);
  EXPECT_EQ(readOrderCode(code), daveResNotConnected);
}

TEST_F(IsoSession, ConnectionRequestAnswers) {
  struct Case {
    const char* name;
    std::function<void(FakeTransport&)> script;
    int expected;
  } cases[] = {
      {"closed after the request", [](FakeTransport& l) { l.closeByPeer(); },
       daveResConnectionRefused},
      {"reset after the request", [](FakeTransport& l) { l.reset(); }, daveResConnectionRefused},
      {"disconnect request, address unknown",
       [](FakeTransport& l) { l.reply(Hex("03 00 00 0B 06 80 00 01 00 01 03")); },
       daveResCotpRefusedBase - 3},
      {"disconnect request, reason without text",
       [](FakeTransport& l) { l.reply(Hex("03 00 00 0B 06 80 00 01 00 01 07")); },
       daveResConnectionRefused},
      {"TPDU error", [](FakeTransport& l) { l.reply(Hex("03 00 00 09 04 70 00 01 02")); },
       daveResConnectionRefused},
      {"silence", [](FakeTransport& l) { l.silence(); }, daveResTimeout},
      {"garbage", [](FakeTransport& l) { l.reply(Hex("48 54 54 50 2F 31 2E 31 20 34 30 30")); },
       daveResNotS7Service},
      {"two bytes of text, then closed",
       [](FakeTransport& l) {
         l.reply(Hex("4F 4B"));
         l.closeByPeer();
       },
       daveResNotS7Service},
      {"TPKT length below minimum", [](FakeTransport& l) { l.reply(Hex("03 00 00 05 00")); },
       daveResBadFrame},
      {"frame cut, then silence", [](FakeTransport& l) { l.reply(Hex("03 00 00 16 11 D0 00 01")); },
       daveResTimeout},
      {"frame cut by a reset",
       [](FakeTransport& l) {
         l.reply(Hex("03 00 00 16 11 D0 00 01"));
         l.reset();
       },
       daveResConnectionRefused},
      {"LI beyond the TPDU", [](FakeTransport& l) { l.reply(Hex("03 00 00 08 11 D0 00 01")); },
       daveResShortPacket},
      {"data instead of confirm", [](FakeTransport& l) { l.reply(Iso(SetupAnswerPdu(1))); },
       daveResNotS7Service},
  };
  for (const Case& c : cases) {
    SetUp();
    c.script(link_);
    Micros before = clock_.now();
    EXPECT_EQ(connection_->connectPLC(), c.expected) << c.name;
    EXPECT_FALSE(connection_->connected()) << c.name;
    EXPECT_LE(clock_.now() - before, Micros(20000)) << c.name;  // one time-out at most
  }
}

TEST_F(IsoSession, SetupAnswers) {
  struct Case {
    const char* name;
    Bytes answer;
    int expected;
  } cases[] = {
      {"wrong reference", Iso(SetupAnswerPdu(7)), daveResWrongReference},
      {"PLC error 0x8104", Iso(SetupAnswerPdu(1, "81 04")), 0x8104},
      {"not an S7 PDU", Iso(Hex("33 03 00 00 00 01 00 08 00 00 00 00")), daveResCannotEvaluatePDU},
      {"job instead of ack data", Iso(s7::BuildSetupCommunication(1, 240)), daveResUnexpectedFunc},
      {"PDU length 0", Iso(SetupAnswerPdu(1, "00 00", "00 00")), daveResCannotEvaluatePDU},
      {"PDU length 1", Iso(SetupAnswerPdu(1, "00 00", "00 01")), daveResBadPduSize},
      {"PDU length 239", Iso(SetupAnswerPdu(1, "00 00", "00 EF")), daveResBadPduSize},
      {"PDU length above the proposal", Iso(SetupAnswerPdu(1, "00 00", "03 C0")),
       daveResBadPduSize},
      {"parameters cut", Iso(Hex("32 03 00 00 00 01 00 08 00 00 00 00 F0 00 00")),
       daveResShortPacket},
      {"header cut", Iso(Hex("32 03 00 00")), daveResShortPacket},
  };
  for (const Case& c : cases) {
    SetUp();
    link_.reply(ConnectConfirm());
    link_.reply(c.answer);
    EXPECT_EQ(connection_->connectPLC(), c.expected) << c.name;
    EXPECT_FALSE(connection_->connected()) << c.name;
  }
}

TEST_F(IsoSession, OrderCodeAnswers) {
  const char* blankModule =
      "00 01 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 00 c0 00 04 00 01"
      "00 06 36 45 53 37 20 33 31 33 2d 36 43 46 30 33 2d 30 41 42 30 20 00 c0 00 04 00 01";
  struct Case {
    const char* name;
    std::vector<Bytes> answers;
    int expected;
    const char* code;
  } cases[] = {
      {"module record first", {Iso(SzlAnswerPdu(2, Szl0011Payload()))}, 0, "6ES7 315-2EH14-0AB0 "},
      {"blank module record",
       {Iso(SzlAnswerPdu(2, Szl0011Payload(blankModule, "00 02")))},
       0,
       "6ES7 313-6CF03-0AB0 "},
      {"record count larger than the records sent",
       {Iso(SzlAnswerPdu(2, Szl0011Payload(blankModule, "7F FF")))},
       0,
       "6ES7 313-6CF03-0AB0 "},
      {"no records", {Iso(SzlAnswerPdu(2, Szl0011Payload("", "00 04")))}, daveResNoOrderCode, ""},
      {"SZL unknown, single record refused too",
       {Iso(SzlAnswerPdu(2, {}, 0, 0, 0xD402)), Iso(SzlAnswerPdu(3, {}, 0, 0, 0xD402))},
       0xD402,
       ""},
      {"object does not exist",
       {Iso(SzlAnswerPdu(2, {}, 0, 0, 0, 0x0A)), Iso(SzlAnswerPdu(3, {}, 0, 0, 0, 0x0A))},
       daveResItemNotAvailable,
       ""},
      {"list refused, module record given",
       {Iso(SzlAnswerPdu(2, {}, 0, 0, 0x8104)),
        Iso(SzlAnswerPdu(3, Concat({Hex("01 11 00 01 00 1C 00 01"),
                                    Hex("00 01 36 45 53 37 20 33 31 33 2d 36 43 46 30 33 2d 30 "
                                        "41 42 30 20 00 C0 00 02 00 01")})))},
       0,
       "6ES7 313-6CF03-0AB0 "},
      {"wrong reference", {Iso(SzlAnswerPdu(9, Szl0011Payload()))}, daveResWrongReference, ""},
      {"another list than asked for",
       {Iso(SzlAnswerPdu(2, Concat({Hex("00 1C 00 00 00 1C 00 04"), Hex(kSzl0011Records)})))},
       daveResWrongSzl,
       ""},
      {"another index than asked for",
       {Iso(SzlAnswerPdu(2, Concat({Hex("00 11 00 01 00 1C 00 04"), Hex(kSzl0011Records)})))},
       daveResWrongSzl,
       ""},
      {"order code with a zero byte first",
       {Iso(SzlAnswerPdu(2, Szl0011Payload("00 01 00 45 53 37 20 33 31 35 2d 32 45 48 31 34 2d 30 "
                                           "41 42 30 20 00 c0 00 04 00 01",
                                           "00 01")))},
       daveResBadOrderCode,
       ""},
      {"order code with a control character",
       {Iso(SzlAnswerPdu(2, Szl0011Payload("00 01 36 45 53 37 20 33 31 35 2d 32 45 48 31 34 2d 30 "
                                           "41 42 30 07 00 c0 00 04 00 01",
                                           "00 01")))},
       daveResBadOrderCode,
       ""},
      {"answer longer than the negotiated PDU",
       {Iso(SzlAnswerPdu(2, Szl0011Payload((std::string(kSzl0011Records) + kSzl0011Records +
                                            kSzl0011Records + kSzl0011Records + kSzl0011Records)
                                               .c_str(),
                                           "00 14")))},
       daveResAnswerOverPdu,
       ""},
      {"data length beyond the data",
       {Iso(Hex("32 07 00 00 00 02 00 0C 00 08 00 01 12 08 12 84 01 00 00 00 00 00 FF 09 00 78 "
                "00 11 00 00"))},
       daveResShortPacket,
       ""},
      {"answer to another function",
       {Iso(Hex("32 07 00 00 00 02 00 0C 00 04 00 01 12 08 12 87 01 00 00 00 00 00 FF 09 00 00"))},
       daveResUnexpectedFunc,
       ""},
      {"silence", {}, daveResTimeout, ""},
  };
  for (const Case& c : cases) {
    SetUp();
    acceptConnection();
    for (const Bytes& a : c.answers) link_.reply(a);
    ASSERT_EQ(connection_->connectPLC(), 0) << c.name;
    std::string code;
    EXPECT_EQ(readOrderCode(code), c.expected) << c.name;
    if (c.expected == 0) EXPECT_EQ(code, c.code) << c.name;
  }
}

// Read-var answers to three items: DB bytes 0..2 (odd: a fill byte follows),
// a timer and one flag byte.
TEST_F(IsoSession, ReadVarAnswers) {
  const std::vector<s7::ReadItem> items{{0x84, 1, 0, 3}, {0x1D, 0, 1, 1}, {0x83, 0, 7, 1}};
  const auto answer = [](const char* params, const char* data, const char* error = "00 00") {
    const Bytes d = Hex(data);
    return Iso(Concat(
        {Hex("32 03 00 00 00 02 00 02"),
         Bytes{static_cast<std::uint8_t>(d.size() >> 8), static_cast<std::uint8_t>(d.size())},
         Hex(error), Hex(params), d}));
  };
  const char* good = "FF 04 00 18 0A 0B 0C 00  FF 09 00 02 21 50  FF 04 00 08 07";
  struct Case {
    const char* name;
    Bytes reply;
    int expected;
    std::vector<int> codes;
  } cases[] = {
      {"every item", answer("04 03", good), 0, {0, 0, 0}},
      // The emulator's refusal says length 4 but carries no data.
      {"refused items are four bytes",
       answer("04 03", "0A 00 00 04  05 00 00 04  FF 04 00 08 07"),
       0,
       {10, 5, 0}},
      {"fewer items than asked",
       answer("04 02", "FF 04 00 18 0A 0B 0C 00  FF 09 00 02 21 50"),
       daveResMissingItems,
       {}},
      {"more items than asked", answer("04 04", good), daveResCannotEvaluatePDU, {}},
      {"a length that does not fit the item",
       answer("04 03", "FF 04 00 10 0A 0B  FF 09 00 02 21 50  FF 04 00 08 07"),
       daveResCannotEvaluatePDU,
       {}},
      {"data cut",
       answer("04 03", "FF 04 00 18 0A 0B 0C 00  FF 09 00 02 21"),
       daveResShortPacket,
       {}},
      {"job refused in the header", answer("04 00", "", "81 04"), 0x8104, {}},
      {"answer to another function", answer("05 03", good), daveResUnexpectedFunc, {}},
      {"wrong reference",
       Iso(Hex("32 03 00 00 00 09 00 02 00 00 00 00 04 00")),
       daveResWrongReference,
       {}},
  };
  for (const Case& c : cases) {
    SetUp();
    acceptConnection();
    ASSERT_EQ(connection_->connectPLC(), 0) << c.name;
    link_.reply(c.reply);
    std::vector<Connection::VarResult> results;
    EXPECT_EQ(connection_->readVars(items, results), c.expected) << c.name;
    std::vector<int> codes;
    for (const auto& result : results) codes.push_back(result.code);
    EXPECT_EQ(codes, c.codes) << c.name;
    if (c.expected == 0 && c.codes[0] == 0) {
      EXPECT_EQ(results[0].data, Hex("0A 0B 0C")) << c.name;
      EXPECT_EQ(results[1].data, Hex("21 50")) << c.name;
    }
  }
  // Nothing is sent for 21 items, or for an answer the PDU cannot hold.
  SetUp();
  acceptConnection();
  ASSERT_EQ(connection_->connectPLC(), 0);
  std::vector<Connection::VarResult> results;
  const std::size_t sent = link_.sent.size();
  EXPECT_EQ(connection_->readVars(std::vector<s7::ReadItem>(21, items[2]), results),
            daveResRequestTooLarge);
  EXPECT_EQ(connection_->readVars(std::vector<s7::ReadItem>{{0x84, 1, 0, 463}}, results),
            daveResRequestTooLarge);
  EXPECT_EQ(link_.sent.size(), sent);
}

// What daveReadSZL hands its caller: the header with the number of whole
// records received and fitting, then those records; never more.
TEST(SzlCopy, OnlyWholeRecordsThatArrivedAndFit) {
  const char* twoRecords = "00 01 41 42 43 00 00 02 44 45 46 00";  // length 6 each
  struct Case {
    const char* name;
    std::string payload;
    std::size_t room;
    int written;
    std::uint16_t count;
  } cases[] = {
      {"all records", std::string("00 1C 00 00 00 06 00 02 ") + twoRecords, 64, 8 + 12, 2},
      {"count larger than sent", std::string("00 1C 00 00 00 06 7F FF ") + twoRecords, 64, 20, 2},
      {"count smaller than sent", std::string("00 1C 00 00 00 06 00 01 ") + twoRecords, 64, 14, 1},
      {"last record cut off", std::string("00 1C 00 00 00 06 00 02 ") + twoRecords + " 00", 17, 14,
       1},
      {"room for the header only", std::string("00 1C 00 00 00 06 00 02 ") + twoRecords, 8, 8, 0},
      {"record length 0", "00 1C 00 00 00 00 00 05 01 02 03", 64, 8, 0},
      {"no room for the header", "00 1C 00 00 00 06 00 00", 7, daveResInvalidParam, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes payload = Hex(c.payload.c_str());
    s7::SzlList list;
    ASSERT_EQ(s7::ParseSzlList(payload, list), 0);
    std::vector<std::uint8_t> out(c.room + 4, 0xEE);
    const int written = s7::CopySzlList(list, std::span(out.data(), c.room));
    ASSERT_EQ(written, c.written);
    for (std::size_t i = written > 0 ? static_cast<std::size_t>(written) : 0; i < out.size(); ++i)
      EXPECT_EQ(out[i], 0xEE) << "byte " << i << " written beyond the copy";
    if (written < 0) continue;
    EXPECT_EQ(out[0] << 8 | out[1], 0x001C);
    EXPECT_EQ(out[6] << 8 | out[7], c.count);
    EXPECT_TRUE(std::equal(out.begin() + 8, out.begin() + written, payload.begin() + 8));
  }
}

// Each SZL read, the order code's as well, is a call of its own: time spent
// before it (here far more than a call may take) does not cut it short.
TEST_F(IsoSession, AnSzlReadHasADeadlineOfItsOwn) {
  acceptConnection();
  ASSERT_EQ(connection_->connectPLC(), 0);
  clock_.advance(Micros(20000) * daveCallTimeoutFactor * 10);
  link_.reply(Iso(SzlAnswerPdu(2, Szl0011Payload())), 0, Micros(15000));
  Bytes list;
  ASSERT_EQ(connection_->readSzlList(0x0011, 0, list), 0);
  EXPECT_EQ(list, Szl0011Payload());
  EXPECT_EQ(link_.sent.back(), Iso(s7::BuildSzlRequest(2, 0x0011, 0)));

  clock_.advance(Micros(20000) * daveCallTimeoutFactor * 10);
  link_.reply(Iso(SzlAnswerPdu(3, Szl0011Payload())), 0, Micros(15000));
  std::string code;
  EXPECT_EQ(readOrderCode(code), 0);
  EXPECT_EQ(code, "6ES7 315-2EH14-0AB0 ");
}

TEST_F(IsoSession, FragmentsAndEmptyDataTpdusAreJoined) {
  acceptConnection();
  Bytes pdu = SzlAnswerPdu(2, Szl0011Payload());
  Bytes first(pdu.begin(), pdu.begin() + 50);
  Bytes second(pdu.begin() + 50, pdu.end());
  ByteWriter w;
  w.u8(3)
      .u8(0)
      .be16(static_cast<std::uint16_t>(7 + first.size()))
      .u8(2)
      .u8(0xF0)
      .u8(0x00)
      .bytes(first);
  link_.reply(Hex("03 00 00 07 02 F0 80"));  // empty DT
  link_.reply(w.data(), 5);                  // handed out in small pieces
  link_.reply(Iso(second), 3);
  ASSERT_EQ(connection_->connectPLC(), 0);
  std::string code;
  ASSERT_EQ(readOrderCode(code), 0);
  EXPECT_EQ(code, "6ES7 315-2EH14-0AB0 ");
}

TEST_F(IsoSession, MultiPartSzlAsksForTheNextPartWithTheSequenceNumber) {
  acceptConnection();
  Bytes payload = Szl0011Payload();
  Bytes part1(payload.begin(), payload.begin() + 40);
  Bytes part2(payload.begin() + 40, payload.end());
  link_.reply(Iso(SzlAnswerPdu(2, part1, 5, 1)));
  link_.reply(Iso(SzlAnswerPdu(3, part2, 5, 0)));
  ASSERT_EQ(connection_->connectPLC(), 0);
  std::string code;
  ASSERT_EQ(readOrderCode(code), 0);
  EXPECT_EQ(code, "6ES7 315-2EH14-0AB0 ");
  ASSERT_EQ(link_.sent.size(), 4u);
  EXPECT_EQ(link_.sent[3], Iso(s7::BuildSzlFollowUp(3, 5)));
}

TEST_F(IsoSession, EndlessFragmentsStopAtTheAnswerLimit) {
  acceptConnection();
  link_.responder = [](const Bytes& sent, FakeTransport& l) {
    if (sent.size() > 20 && sent[8] == 0x07) {  // the SZL request
      Bytes chunk(60000, 0x41);
      for (int i = 0; i < 3; ++i) {
        ByteWriter w;
        w.u8(3)
            .u8(0)
            .be16(static_cast<std::uint16_t>(7 + chunk.size()))
            .u8(2)
            .u8(0xF0)
            .u8(0)
            .bytes(chunk);
        l.reply(w.data());
      }
    }
  };
  ASSERT_EQ(connection_->connectPLC(), 0);
  std::string code;
  EXPECT_EQ(readOrderCode(code), daveResAnswerTooLong);
  EXPECT_FALSE(connection_->connected());
}

// An answer that began and did not end is told from silence, with the time
// it was waited for.
TEST_F(IsoSession, AnAnswerCutShortSaysHowLongItWasWaitedFor) {
  iface_->setTimeout(Micros(1500000));
  link_.reply(ConnectConfirm());
  const Bytes answer = Iso(SetupAnswerPdu(1));
  link_.reply(Bytes(answer.begin(), answer.begin() + 10));
  EXPECT_EQ(connection_->connectPLC(), daveResAnswerIncomplete);
  EXPECT_EQ(CauseLine(connection_->failure()),
            "Step \"S7 set-up\": the PLC's answer was still incomplete after 1.5 s");
}

TEST_F(IsoSession, ATimeoutDropsTheConnection) {
  acceptConnection();
  ASSERT_EQ(connection_->connectPLC(), 0);
  std::string code;
  EXPECT_EQ(readOrderCode(code), daveResTimeout);
  link_.reply(Iso(SzlAnswerPdu(2, Szl0011Payload())));  // the late answer
  EXPECT_EQ(readOrderCode(code), daveResNotConnected);
}

// PPI with a scripted S7-200: request, E5, polls.
class PpiSession : public ::testing::Test {
 protected:
  void SetUp() override {
    link_.clear();
    iface_ =
        Interface::Create(std::make_unique<TransportRef>(link_), clock_, "IF1", 0, daveProtoPPI, 1);
    iface_->setTimeout(Micros(10000));
    ASSERT_EQ(iface_->initAdapter(), 0);
    connection_ = std::make_unique<Connection>(*iface_, 2, 0, 0);
  }
  FakeClock clock_;
  FakeTransport link_{clock_};
  std::unique_ptr<Interface> iface_;
  std::unique_ptr<Connection> connection_;
};

TEST_F(PpiSession, RequestAckPollAnswer) {
  int notReady = 1;  // the first poll of each request gets E5
  link_.responder = [&](const Bytes& sent, FakeTransport& l) {
    if (sent[0] == 0x68) {
      l.reply(Hex("E5"));
      notReady = 1;
    } else if (notReady-- > 0) {
      l.reply(Hex("E5"));
    } else {
      std::uint16_t ref = static_cast<std::uint16_t>(link_.sent.size() <= 4 ? 1 : 2);
      Bytes pdu =
          ref == 1 ? SetupAnswerPdu(1, "00 00", "00 F0") : SzlAnswerPdu(2, Szl0011Payload());
      l.reply(ppi::BuildDataFrame(0, 2, 0x08, pdu));
    }
  };
  ASSERT_EQ(connection_->connectPLC(), 0);
  EXPECT_EQ(connection_->pduLength(), 240);
  std::array<char, 20> code{};
  ASSERT_EQ(connection_->readOrderCode(code), 0);
  EXPECT_EQ(std::string(code.begin(), code.end()), "6ES7 315-2EH14-0AB0 ");
  ASSERT_EQ(link_.sent.size(), 6u);
  EXPECT_EQ(link_.sent[0], ppi::BuildDataFrame(2, 0, 0x6C, s7::BuildSetupCommunication(1, 240)));
  EXPECT_EQ(link_.sent[1], Hex("10 02 00 5C 5E 16"));
  EXPECT_EQ(link_.sent[2], Hex("10 02 00 7C 7E 16"));  // frame count bit toggled after E5
  EXPECT_EQ(link_.sent[3], ppi::BuildDataFrame(2, 0, 0x6C, s7::BuildSzlRequest(2, 0x11, 0)));
}

TEST_F(PpiSession, FailuresAreBounded) {
  struct Case {
    const char* name;
    std::function<void(const Bytes&, FakeTransport&)> responder;
    int expected;
    Micros maxTime;
  } cases[] = {
      {"silent station", nullptr, daveResTimeout, Micros(30000)},
      {"always not ready", [](const Bytes&, FakeTransport& l) { l.reply(Hex("E5")); },
       daveResStationNotReady, Micros(1)},
      {"answer with bad checksum",
       [](const Bytes& s, FakeTransport& l) {
         l.reply(s[0] == 0x68 ? Hex("E5") : Hex("68 04 04 68 00 02 08 32 00 16"));
       },
       daveResBadChecksum, Micros(1)},
      {"answer for another station",
       [](const Bytes& s, FakeTransport& l) {
         l.reply(s[0] == 0x68 ? Hex("E5") : ppi::BuildDataFrame(5, 2, 0x08, Hex("32")));
       },
       daveResBadFrame, Micros(1)},
  };
  for (const Case& c : cases) {
    SetUp();
    link_.responder = c.responder;
    Micros before = clock_.now();
    EXPECT_EQ(connection_->connectPLC(), c.expected) << c.name;
    EXPECT_LE(clock_.now() - before, c.maxTime) << c.name;
    EXPECT_LE(link_.sent.size(), 1u + PpiLink::kMaxPolls) << c.name;
  }
}

TEST_F(PpiSession, SetupRefusedByTheStationStillConnects) {
  link_.responder = [&](const Bytes& sent, FakeTransport& l) {
    if (sent[0] == 0x68) return l.reply(Hex("E5"));
    l.reply(ppi::BuildDataFrame(0, 2, 0x08, SetupAnswerPdu(1, "81 04")));
  };
  EXPECT_EQ(connection_->connectPLC(), 0);
  EXPECT_EQ(connection_->pduLength(), 240);
}

// Peers that keep a call busy without ever finishing it: floods of frames
// that add nothing, answers that come just inside the time-out again and
// again, bytes that trickle. Every call still ends within
// daveCallTimeoutFactor answer time-outs of its start.
TEST(CallLimit, NoPeerCanHoldACallPastItsEnd) {
  constexpr Micros kAnswer{10000};
  constexpr Micros kLimit = kAnswer * daveCallTimeoutFactor;
  constexpr Micros kJustInside = kAnswer * 9 / 10;
  const Bytes emptyDtWithoutEot = Hex("03 00 00 07 02 F0 00");
  Bytes payload = Szl0011Payload();
  Bytes part(payload.begin(), payload.begin() + 40);
  // Every SZL request answered by a part that says more follows.
  auto moreFollows = [&](FakeTransport& l) {
    l.responder = [&](const Bytes& sent, FakeTransport& self) {
      if (sent.size() > 20 && sent[8] == 0x07)
        self.reply(Iso(SzlAnswerPdu(RefOf(sent), part, 5, 1)), 0, kJustInside);
    };
  };

  enum class Call { kConnect, kOrderCode, kReadSzl, kInitAdapter };
  struct Case {
    const char* name;
    int protocol;
    Call call;
    std::function<void(FakeTransport&)> peer;
    int expected;
    std::size_t framesSent;  // by the call itself: no retry starts after its end
  } cases[] = {
      {"ISO: set-up answered by empty fragments for ever", daveProtoISOTCP, Call::kConnect,
       [&](FakeTransport& l) {
         l.reply(ConnectConfirm());
         l.stream(emptyDtWithoutEot, Micros(1));
       },
       daveResAnswerIncomplete, 2},
      {"ISO: order code answered by empty fragments for ever", daveProtoISOTCP, Call::kOrderCode,
       [&](FakeTransport& l) { l.stream(emptyDtWithoutEot, Micros(1)); }, daveResAnswerIncomplete,
       1},
      {"ISO: order code, every part says more follows, just inside the time-out", daveProtoISOTCP,
       Call::kOrderCode, moreFollows, daveResTimeout, 5},
      {"ISO: SZL read, every part says more follows, just inside the time-out", daveProtoISOTCP,
       Call::kReadSzl, moreFollows, daveResTimeout, 5},
      {"ISO: one byte of a long answer at a time", daveProtoISOTCP, Call::kOrderCode,
       [&](FakeTransport& l) {
         l.reply(Hex("03 00 FF FF 02 F0 80"));
         l.reply(Bytes(100, 0x41), 1, kAnswer / 3);
       },
       daveResAnswerIncomplete, 1},
      {"PPI: every poll answered 'not ready' just inside the time-out", daveProtoPPI,
       Call::kConnect,
       [&](FakeTransport& l) {
         l.responder = [&](const Bytes& sent, FakeTransport& self) {
           self.reply(Hex("E5"), 0, sent[0] == ppi::kSD2 ? Micros::zero() : kJustInside);
         };
       },
       daveResTimeout, 6},
      // The last poll's "not ready" comes as the call ends: the call is over.
      {"PPI: every poll answered 'not ready' at the very end of the time-out", daveProtoPPI,
       Call::kConnect,
       [&](FakeTransport& l) {
         l.responder = [&](const Bytes& sent, FakeTransport& self) {
           self.reply(Hex("E5"), 0, sent[0] == ppi::kSD2 ? Micros::zero() : kAnswer);
         };
       },
       daveResTimeout, 5},
      {"PPI: line noise for ever", daveProtoPPI, Call::kConnect,
       [&](FakeTransport& l) { l.stream(Hex("00"), Micros(1)); }, daveResBadFrame, 3},
      {"MPI: every block refused just inside the time-out", daveProtoMPI, Call::kInitAdapter,
       [&](FakeTransport& l) {
         l.responder = [&](const Bytes&, FakeTransport& self) {
           self.reply(Hex("15"), 0, kJustInside);
         };
       },
       daveResTimeout, 5},
      {"MPI: noise instead of the adapter's answer", daveProtoMPI, Call::kInitAdapter,
       [&](FakeTransport& l) {
         // STX and block are taken; then the adapter only babbles.
         l.responder = [&](const Bytes&, FakeTransport& self) {
           self.reply(Hex("10"));
           self.stream(Hex("00"), Micros(1));
         };
       },
       daveResBadFrame, 2},
  };
  for (const Case& c : cases) {
    FakeClock clock;
    FakeTransport link(clock);
    auto iface = Interface::Create(std::make_unique<TransportRef>(link), clock, "IF1", 0,
                                   c.protocol, daveSpeed187k);
    iface->setTimeout(kAnswer);
    Connection connection(*iface, 2, 0, 2);
    if (c.call == Call::kOrderCode || c.call == Call::kReadSzl) {
      link.reply(ConnectConfirm());
      link.reply(Iso(SetupAnswerPdu(1)));
      ASSERT_EQ(connection.connectPLC(), 0) << c.name;
    }
    c.peer(link);
    const std::size_t sentBefore = link.sent.size();
    Micros start = clock.now();
    int r;
    if (c.call == Call::kInitAdapter) {
      r = iface->initAdapter();
    } else if (c.call == Call::kConnect) {
      r = connection.connectPLC();
    } else if (c.call == Call::kReadSzl) {
      Bytes list;
      r = connection.readSzlList(0x001C, 0, list);
    } else {
      std::array<char, 20> code{};
      r = connection.readOrderCode(code);
    }
    EXPECT_EQ(r, c.expected) << c.name;
    EXPECT_LE(clock.now() - start, kLimit) << c.name;
    EXPECT_EQ(link.sent.size() - sentBefore, c.framesSent) << c.name;
    EXPECT_FALSE(connection.connected()) << c.name;  // the link is dropped
    link.responder = nullptr;
  }
}

TEST(InterfaceChecks, ArgumentsAndProtocolsAreRefusedWithTheirCodes) {
  FakeClock clock;
  FakeTransport link(clock);
  auto make = [&](int local, int protocol, int speed) {
    return Interface::Create(std::make_unique<TransportRef>(link), clock, "IF1", local, protocol,
                             speed);
  };
  EXPECT_EQ(make(0, 3, 1), nullptr);  // protocol code without an implementation
  EXPECT_EQ(make(0, daveProtoS7online, 1)->initAdapter(), daveResS7onlineUnavailable);
  EXPECT_EQ(make(0, daveProtoMPI2, 2)->initAdapter(), daveResMpiVariantUndocumented);
  EXPECT_EQ(make(0, daveProtoMPI, 6)->initAdapter(), daveResSpeedUndocumented);
  EXPECT_EQ(make(200, daveProtoPPI, 1)->initAdapter(), daveResInvalidAddress);
  std::uint8_t list[126];
  EXPECT_EQ(make(0, daveProtoISOTCP, 1)->listReachablePartners(list, 126), daveResNotForProtocol);
  EXPECT_EQ(make(0, daveProtoMPI, 2)->listReachablePartners(list, 126), daveResAdapterNotReady);
  link.open = false;
  EXPECT_EQ(make(0, daveProtoISOTCP, 1)->initAdapter(), daveResPortNotOpen);

  link.open = true;
  auto tcp = make(0, daveProtoISOTCP, 1);
  struct Case {
    int address, rack, slot, expected;
  } cases[] = {{0, 8, 2, daveResInvalidRackSlot},
               {0, 0, 32, daveResInvalidRackSlot},
               {0, -1, 2, daveResInvalidRackSlot}};
  for (const Case& c : cases) {
    Connection conn(*tcp, c.address, c.rack, c.slot);
    EXPECT_EQ(conn.connectPLC(), c.expected);
  }
  auto ppi = make(0, daveProtoPPI, 1);
  Connection far(*ppi, 127, 0, 0);
  EXPECT_EQ(far.connectPLC(), daveResInvalidAddress);
  EXPECT_TRUE(link.sent.empty());  // nothing goes out for refused arguments
}

}  // namespace
}  // namespace nodave::testing
