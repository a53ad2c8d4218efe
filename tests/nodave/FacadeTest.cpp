// The C facade and the TCP side against scripted loopback servers: cases
// the emulator cannot show, since it accepts every rack and slot and always
// answers well.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Causes.h"
#include "FakeTransport.h"
#include "RealIo.h"
#include "S7Frames.h"
#include "nodave/nodave.h"

namespace nodave::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Waits until the client closes its side (or 2 s pass).
void AwaitClose(int fd) {
  ReadBytes(fd, 1 << 20, 2000);
}

void ResetConnection(int fd) {
  linger hard{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
}

// A well-behaved PLC up to the point the script wants to break it.
void AcceptAndSetUp(int fd) {
  ReadTpkt(fd);
  WriteBytes(fd, ConnectConfirm());
  Bytes setup = ReadTpkt(fd);
  WriteBytes(fd, Iso(SetupAnswerPdu(RefOf(setup))));
}

struct Outcome {
  int connect = 0;
  int orderCode = 0;
  std::string code;
  bool canaryIntact = true;
  double seconds = 0;
  daveFailure failure{};  // of the step that failed (open, connect or order code)
};

Outcome RunCardSequence(int port, int rack, int slot, int timeoutUs = 150000) {
  Outcome o;
  auto start = Clock::now();
  int fd = openSocket(port, "127.0.0.1");
  if (fd < 0) {
    o.connect = -1;
    daveGetOpenFailure(&o.failure);
    return o;
  }
  daveInterface* di = daveNewInterface({fd, fd}, "IF1", 0, daveProtoISOTCP, 1);
  daveSetTimeout(di, timeoutUs);
  EXPECT_EQ(daveInitAdapter(di), 0);
  daveConnection* dc = daveNewConnection(di, 2, rack, slot);
  o.connect = daveConnectPLC(dc);
  if (o.connect == 0) {
    char buf[40];
    std::memset(buf, 0x5A, sizeof buf);
    std::memset(buf, 0, 22);
    o.orderCode = daveGetOrderCode(dc, buf);
    o.code = buf;
    for (std::size_t i = 22; i < sizeof buf; ++i) o.canaryIntact &= buf[i] == 0x5A;
    daveDisconnectPLC(dc);
  }
  daveGetConnectionFailure(dc, &o.failure);
  daveDisconnectAdapter(di);
  daveFree(dc);
  daveFree(di);
  closePort(fd);
  o.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return o;
}

TEST(ScriptedPlc, RackAndSlotSelectTheTsapAndAWrongOneIsRefused) {
  // This PLC only accepts called TSAP 01 02 (rack 0, slot 2), as real CPUs do.
  auto script = [](int fd) {
    Bytes cr = ReadTpkt(fd);
    if (cr.size() != 22 || cr[20] != 0x01 || cr[21] != 0x02) return;  // close at once
    WriteBytes(fd, ConnectConfirm());
    Bytes setup = ReadTpkt(fd);
    if (setup.empty()) return;  // the rack/slot search asks no more
    WriteBytes(fd, Iso(SetupAnswerPdu(RefOf(setup))));
    Bytes szl = ReadTpkt(fd);
    if (szl.empty()) return;  // the steps one by one stop after the set-up
    WriteBytes(fd, Iso(SzlAnswerPdu(RefOf(szl), Szl0011Payload())));
    AwaitClose(fd);
  };
  // The search tries rack 1 with slots 0 to 5, then rack 0 from slot 0 on.
  ScriptedServer server(script, 2 + 9 + 1);
  Outcome wrong = RunCardSequence(server.port(), 0, 3);
  EXPECT_EQ(wrong.connect, daveResConnectionRefused);
  Outcome right = RunCardSequence(server.port(), 0, 2);
  EXPECT_EQ(right.connect, 0);
  EXPECT_EQ(right.orderCode, 0);
  EXPECT_EQ(right.code, "6ES7 315-2EH14-0AB0 ");

  std::vector<std::string> tried;
  auto note = [](void* context, int rack, int slot, int result) {
    static_cast<std::vector<std::string>*>(context)->push_back(
        std::to_string(rack) + "/" + std::to_string(slot) + (result == 0 ? " ok" : ""));
  };
  int rack = -1, slot = -1;
  ASSERT_EQ(daveFindRackSlot(server.port(), "127.0.0.1", 1, 10000, &rack, &slot, note, &tried), 0);
  EXPECT_EQ(rack, 0);
  EXPECT_EQ(slot, 2);
  EXPECT_EQ(tried, (std::vector<std::string>{"1/0", "1/1", "1/2", "1/3", "1/4", "1/5", "0/0", "0/1",
                                             "0/2 ok"}));

  // The steps of daveConnectPLC one by one, as a diagnosis takes them.
  char address[64] = {};
  ASSERT_EQ(daveLookUpPeer(server.port(), "127.0.0.1", address, sizeof address), 0);
  int fd = openSocket(server.port(), address);
  daveInterface* di = daveNewInterface({fd, fd}, "IF1", 0, daveProtoISOTCP, 1);
  daveConnection* dc = daveNewConnection(di, 2, 0, 2);
  EXPECT_EQ(daveOpenPLCLink(dc), 0);
  int pduLength = 0;
  EXPECT_EQ(daveSetupCommunication(dc, &pduLength), 0);
  EXPECT_EQ(pduLength, 480);  // what both proposed
  daveFree(dc);
  daveFree(di);
  closePort(fd);
}

// A PLC that answers both module identification requests with answer.
ScriptedServer::Script RefusesOrderCode(std::function<Bytes(std::uint16_t ref)> answer) {
  return [answer](int fd) {
    AcceptAndSetUp(fd);
    for (int list = 0; list < 2; ++list) WriteBytes(fd, Iso(answer(RefOf(ReadTpkt(fd)))));
    AwaitClose(fd);
  };
}

TEST(ScriptedPlc, BrokenAnswersGiveCodesAndCausesAndLeaveNothingOpen) {
  // No script: nothing listens on the port. In a cause, PORT stands for it.
  struct Case {
    const char* name;
    ScriptedServer::Script script;
    int connect;
    int orderCode;
    int step;
    const char* cause;
  } cases[] = {
      {"nothing listens", nullptr, -1, 0, daveStepTcpConnect,
       "127.0.0.1:PORT: connection refused - nothing listens there"},
      {"accepts and stays silent", [](int fd) { AwaitClose(fd); }, daveResTimeout, 0,
       daveStepIsoConnect,
       "No answer to the ISO connection request for rack 0, slot 2 - check rack and slot and the "
       "PLC's free connections"},
      {"garbage instead of a confirm",
       [](int fd) {
         ReadTpkt(fd);
         WriteBytes(fd, Hex("47 45 54 20 2F 20 48 54 54 50 2F 31 2E 31 0D 0A"));
         AwaitClose(fd);
       },
       daveResBadFrame, 0, daveStepIsoConnect,
       "Step \"ISO connect\": the answer cannot be evaluated"},
      {"disconnect request",
       [](int fd) {
         ReadTpkt(fd);
         WriteBytes(fd, Hex("03 00 00 0B 06 80 00 01 00 01 88"));
         AwaitClose(fd);
       },
       daveResCotpRefusedBase - 136, 0, daveStepIsoConnect,
       "The PLC refused the ISO connection to rack 0, slot 2: COTP reason 136 (the PLC refused the "
       "connection request) - check rack and slot"},
      {"closed after the connection request", [](int fd) { ReadTpkt(fd); },
       daveResConnectionRefused, 0, daveStepIsoConnect,
       "The PLC refused the ISO connection to rack 0, slot 2 - check rack and slot and the PLC's "
       "free connections"},
      {"set-up answer cut short, then closed",
       [](int fd) {
         ReadTpkt(fd);
         WriteBytes(fd, ConnectConfirm());
         ReadTpkt(fd);
         WriteBytes(fd, Hex("03 00 00 1B 02 F0 80 32 03 00 00"));
       },
       daveResConnectionClosed, 0, daveStepS7Setup,
       "Step \"S7 set-up\": the other side closed the connection"},
      {"S7 header longer than the frame",
       [](int fd) {
         ReadTpkt(fd);
         WriteBytes(fd, ConnectConfirm());
         ReadTpkt(fd);
         WriteBytes(fd, Iso(Hex("32 03 00 00 00 01 00 08 00 00 00 00 F0")));
         AwaitClose(fd);
       },
       daveResShortPacket, 0, daveStepS7Setup,
       "Step \"S7 set-up\": the answer cannot be evaluated"},
      {"wrong PDU reference",
       [](int fd) {
         ReadTpkt(fd);
         WriteBytes(fd, ConnectConfirm());
         Bytes setup = ReadTpkt(fd);
         WriteBytes(fd, Iso(SetupAnswerPdu(static_cast<std::uint16_t>(RefOf(setup) + 1))));
         AwaitClose(fd);
       },
       daveResWrongReference, 0, daveStepS7Setup,
       "Step \"S7 set-up\": the answer cannot be evaluated"},
      {"S7 error code",
       [](int fd) {
         ReadTpkt(fd);
         WriteBytes(fd, ConnectConfirm());
         Bytes setup = ReadTpkt(fd);
         WriteBytes(fd, Iso(SetupAnswerPdu(RefOf(setup), "85 00")));
         AwaitClose(fd);
       },
       0x8500, 0, daveStepS7Setup,
       "Step \"S7 set-up\": the PLC answered with error 0x8500 (PLC: wrong frames, data exceed the "
       "PDU size)"},
      {"silent after the set-up",
       [](int fd) {
         ReadTpkt(fd);
         WriteBytes(fd, ConnectConfirm());
         AwaitClose(fd);
       },
       daveResTimeout, 0, daveStepS7Setup, "Step \"S7 set-up\": no answer in time"},
      {"reset in the middle of the order-code answer",
       [](int fd) {
         AcceptAndSetUp(fd);
         Bytes szl = ReadTpkt(fd);
         Bytes answer = Iso(SzlAnswerPdu(RefOf(szl), Szl0011Payload()));
         WriteBytes(fd, Bytes(answer.begin(), answer.begin() + 60));
         ResetConnection(fd);
       },
       0, daveResConnectionReset, daveStepOrderCode,
       "Step \"order code read\": the connection broke"},
      {"order-code answer silent",
       [](int fd) {
         AcceptAndSetUp(fd);
         AwaitClose(fd);
       },
       0, daveResTimeout, daveStepOrderCode, "Step \"order code read\": no answer in time"},
      {"order code refused: SZL error in the parameters", RefusesOrderCode([](std::uint16_t ref) {
         return SzlAnswerPdu(ref, {}, 0, 0, 0xD401, 0x0A);
       }),
       0, 0xD401, daveStepOrderCode,
       "Step \"order code read\": the PLC answered with error 0xD401 (PLC: information function "
       "unavailable (invalid SZL ID))"},
      {"order code refused: Ack_Data with error class and code",
       RefusesOrderCode([](std::uint16_t ref) {
         return Hex(("32 03 00 00 " + RefHex(ref) + " 00 00 00 00 81 04").c_str());
       }),
       0, 0x8104, daveStepOrderCode,
       "Step \"order code read\": the PLC answered with error 0x8104 (PLC: service not implemented "
       "on the module, or frame error) - on an S7-1200/1500 allow PUT/GET access and check the "
       "protection level"},
      {"order code refused: item return code",
       RefusesOrderCode([](std::uint16_t ref) { return SzlAnswerPdu(ref, {}, 0, 0, 0, 0x03); }), 0,
       daveResItemAccessDenied, daveStepOrderCode,
       "Step \"order code read\": the PLC returned 0x03 for the requested object (the PLC does not "
       "allow access to the requested object) - on an S7-1200/1500 allow PUT/GET access and check "
       "the protection level"},
      {"order code answer contradicts itself: no error, return code 0",
       RefusesOrderCode([](std::uint16_t ref) { return SzlAnswerPdu(ref, {}, 0, 0, 0, 0x00); }), 0,
       daveResCannotEvaluatePDU, daveStepOrderCode,
       "Step \"order code read\": the answer cannot be evaluated"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int before = OpenDescriptorCount();
    Outcome o;
    int port = UnusedLoopbackPort();
    {
      std::optional<ScriptedServer> server;
      if (c.script) port = server.emplace(c.script).port();
      o = RunCardSequence(port, 0, 2);
    }  // the server's side is closed once its thread has ended
    EXPECT_EQ(OpenDescriptorCount(), before);
    EXPECT_EQ(o.connect, c.connect);
    EXPECT_EQ(o.orderCode, c.orderCode);
    EXPECT_LT(o.seconds, 1.0);  // bounded by the 150 ms time-out, not hanging
    EXPECT_STRNE(daveStrerror(o.connect != 0 ? o.connect : o.orderCode), "");
    EXPECT_EQ(o.failure.step, c.step);
    std::string cause = c.cause;
    if (auto at = cause.find("PORT"); at != std::string::npos) {
      cause.replace(at, 4, std::to_string(port));
    }
    EXPECT_EQ(CauseLine(o.failure), cause);
    EXPECT_EQ(UntranslatedTexts(o.failure), std::vector<std::string>{});
  }
}

TEST(ScriptedPlc, AnOversizedOrderCodeRecordNeverOverrunsTheBuffer) {
  // Records of 60 bytes with a 58-character "order code", in an answer of
  // about 1.2 KiB: only 20 characters and the zero reach the caller.
  std::string records;
  for (int i = 0; i < 20; ++i) {
    records += "00 01";
    for (int k = 0; k < 58; ++k) records += " 41";
  }
  auto script = [&records](int fd) {
    AcceptAndSetUp(fd);
    Bytes szl = ReadTpkt(fd);
    WriteBytes(fd, Iso(SzlAnswerPdu(RefOf(szl), Concat({Hex("00 11 00 00 00 3C 00 14"),
                                                        Hex(records.c_str())}))));
    AwaitClose(fd);
  };
  ScriptedServer server(script);
  Outcome o = RunCardSequence(server.port(), 0, 2);
  ASSERT_EQ(o.orderCode, 0);
  EXPECT_EQ(o.code, std::string(20, 'A'));
  EXPECT_TRUE(o.canaryIntact);
}

// The header's promise over a real socket, with a peer that floods the
// line with frames that never finish the answer: the order code read ends
// within daveCallTimeoutFactor answer time-outs (the bound allows as much
// again for a loaded machine; the peer would go on for 5 s). The other ways a
// peer can hold a call are driven by a fake clock in CallLimit.
TEST(ScriptedPlc, NoPeerCanHoldACallPastTheHeaderLimit) {
  constexpr int kAnswerTimeoutMs = 200;
  const auto limit = std::chrono::milliseconds(kAnswerTimeoutMs * daveCallTimeoutFactor);
  int before = OpenDescriptorCount();
  {
    ScriptedServer server([](int fd) {
      AcceptAndSetUp(fd);
      ReadTpkt(fd);
      Bytes flood;
      for (int i = 0; i < 1000; ++i) flood = Concat({flood, Hex("03 00 00 07 02 F0 00")});
      // Written without SIGPIPE until the client goes.
      auto end = Clock::now() + std::chrono::seconds(5);
      while (Clock::now() < end && send(fd, flood.data(), flood.size(), MSG_NOSIGNAL) > 0) {
      }
    });
    int fd = openSocket(server.port(), "127.0.0.1");
    ASSERT_GE(fd, 0);
    daveInterface* di = daveNewInterface({fd, fd}, "IF1", 0, daveProtoISOTCP, 1);
    daveSetTimeout(di, kAnswerTimeoutMs * 1000);
    daveConnection* dc = daveNewConnection(di, 2, 0, 2);
    char buf[22] = {};
    ASSERT_EQ(daveConnectPLC(dc), 0);
    auto start = Clock::now();
    EXPECT_EQ(daveGetOrderCode(dc, buf), daveResTimeout);
    EXPECT_LE(Clock::now() - start, 2 * limit);
    EXPECT_EQ(daveGetOrderCode(dc, buf), daveResNotConnected);  // link dropped
    daveFailure first{};
    daveGetConnectionFailure(dc, &first);
    EXPECT_EQ(first.result, daveResTimeout) << "the follow-up does not hide the cause";
    EXPECT_STREQ(buf, "");
    daveFree(dc);
    daveFree(di);
    closePort(fd);
  }
  EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST(Facade, NullAndForeignHandlesAreRefused) {
  int foreign = 0;
  auto* di = reinterpret_cast<daveInterface*>(&foreign);
  auto* dc = reinterpret_cast<daveConnection*>(&foreign);
  char buf[126];
  for (daveInterface* i : {static_cast<daveInterface*>(nullptr), di}) {
    EXPECT_EQ(daveInitAdapter(i), daveResInvalidHandle);
    EXPECT_EQ(daveDisconnectAdapter(i), daveResInvalidHandle);
    EXPECT_EQ(daveListReachablePartners(i, buf), daveResInvalidHandle);
    EXPECT_EQ(daveNewConnection(i, 2, 0, 2), nullptr);
    daveSetTimeout(i, 1000);
  }
  for (daveConnection* c : {static_cast<daveConnection*>(nullptr), dc}) {
    EXPECT_EQ(daveConnectPLC(c), daveResInvalidHandle);
    EXPECT_EQ(daveDisconnectPLC(c), daveResInvalidHandle);
    EXPECT_EQ(daveGetOrderCode(c, buf), daveResInvalidHandle);
  }
  daveFree(nullptr);
  daveFree(&foreign);
  EXPECT_EQ(foreign, 0);

  EXPECT_EQ(daveNewInterface({-1, -1}, "IF1", 0, 99, 1), nullptr);  // unknown protocol
  daveInterface* closed = daveNewInterface({-1, -1}, nullptr, 0, daveProtoISOTCP, 1);
  ASSERT_NE(closed, nullptr);
  EXPECT_EQ(daveInitAdapter(closed), daveResPortNotOpen);
  daveConnection* conn = daveNewConnection(closed, 2, 0, 2);
  EXPECT_EQ(daveGetOrderCode(conn, nullptr), daveResInvalidParam);
  EXPECT_EQ(daveListReachablePartners(closed, nullptr), daveResInvalidParam);
  EXPECT_EQ(daveConnectPLC(conn), daveResPortNotOpen);
  daveFree(conn);
  daveFree(conn);  // a second free is ignored
  daveFree(closed);
  EXPECT_EQ(daveInitAdapter(closed), daveResInvalidHandle);

  EXPECT_EQ(openS7online("S7ONLINE", 0), -1);
  daveInterface* online = daveNewInterface({-1, -1}, "IF1", 0, daveProtoS7online, 1);
  EXPECT_EQ(daveInitAdapter(online), daveResS7onlineUnavailable);
  daveFree(online);
  EXPECT_EQ(closePort(-1), -1);
}

TEST(Strerror, EveryCodeTheLibraryReturnsHasItsOwnText) {
  const int codes[] = {daveResOK,
                       daveResItemHardwareFault,
                       daveResItemAccessDenied,
                       daveResItemAddressOutOfRange,
                       daveResItemTypeNotSupported,
                       daveResItemTypeInconsistent,
                       daveResItemNotAvailable,
                       daveResCannotEvaluatePDU,
                       daveResUnknownError,
                       daveResUnexpectedFunc,
                       daveResInvalidParam,
                       daveResShortPacket,
                       daveResTimeout,
                       daveResConnectionClosed,
                       daveResConnectionReset,
                       daveResConnectionRefused,
                       daveResWrongReference,
                       daveResBadFrame,
                       daveResBadChecksum,
                       daveResNotConnected,
                       daveResSendFailed,
                       daveResInvalidHandle,
                       daveResPortNotOpen,
                       daveResS7onlineUnavailable,
                       daveResUnknownProtocol,
                       daveResInvalidAddress,
                       daveResInvalidRackSlot,
                       daveResAnswerTooLong,
                       daveResNoOrderCode,
                       daveResInterfaceFreed,
                       daveResNotForProtocol,
                       daveResAdapterNotReady,
                       daveResBlockRejected,
                       daveResAdapterError,
                       daveResMpiVariantUndocumented,
                       daveResSpeedUndocumented,
                       daveResInvalidSpeed,
                       daveResPartnerRefused,
                       daveResStationNotReady,
                       daveResCotpRefusedBase - 3,
                       daveResCotpRefusedBase - 136,
                       daveResAdapterErrorBase - 0x0313,
                       daveResAdapterErrorBase - 0x031A,
                       0x8104,
                       0xD402,
                       0xD241};
  std::set<std::string> texts;
  for (int code : codes) {
    std::string text = daveStrerror(code);
    EXPECT_EQ(text.find("no message defined"), std::string::npos) << code;
    EXPECT_FALSE(text.empty()) << code;
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), std::size(codes));  // no two failures share a text
  // PLC numbers without a table entry are still explained by their kind.
  EXPECT_STREQ(daveStrerror(0x8199), "PLC error: application relationship");
  EXPECT_EQ(std::string(daveStrerror(0x4242)).find("no message defined"), std::string::npos);

  for (int unknown : {-1, -2, -999, -1099, daveResCotpRefusedBase - 7,
                      daveResAdapterErrorBase - 0x0001, 0x10000, 1 << 30, -(1 << 30)}) {
    EXPECT_NE(std::string(daveStrerror(unknown)).find("no message defined"), std::string::npos)
        << unknown;
  }
}

}  // namespace
}  // namespace nodave::testing
