// Whole connections through the fake transport and fake clock: a scripted
// PLC over ISO-TCP and a scripted S7-200 over PPI, with every kind of bad
// answer to the connection request, the set-up and the SZL reads.
#include <gtest/gtest.h>

#include <string>

#include "FakeTransport.h"
#include "S7Frames.h"
#include "nodave/ByteIO.h"
#include "nodave/IsoTcp.h"
#include "nodave/Ppi.h"
#include "nodave/S7Pdu.h"
#include "nodave/Session.h"
#include "nodave/nodave.h"

namespace nodave::testing {
namespace {

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
       daveResBadFrame},
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
       daveResBadFrame},
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

}  // namespace
}  // namespace nodave::testing
