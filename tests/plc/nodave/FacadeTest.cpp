// The C facade and the TCP side against scripted loopback servers: cases
// the emulator cannot show, since it accepts every rack and slot and always
// answers well.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "plc/nodave/nodave.h"
#include "plc/nodave/posix/HostLookup.h"
#include "tests/plc/nodave/Causes.h"
#include "tests/plc/nodave/FakeTransport.h"
#include "tests/plc/nodave/RealIo.h"
#include "tests/plc/nodave/S7Frames.h"
#include "tests/plc/nodave/ScriptedPlcs.h"

namespace nodave::testing {
namespace {

using Clock = std::chrono::steady_clock;

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

// A loopback listener that never accepts: once one connection fills its
// backlog, further attempts are dropped, which to a client looks like an
// address that does not answer.
struct UnansweringPeer {
  UnansweringPeer() {
    listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        listen(listener, 0) == 0 &&
        getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
      port = ntohs(addr.sin_port);
  }
  UnansweringPeer(const UnansweringPeer&) = delete;
  UnansweringPeer& operator=(const UnansweringPeer&) = delete;
  ~UnansweringPeer() {
    closePort(backlog);
    close(listener);
  }
  void FillBacklog() { backlog = openSocket(port, "127.0.0.1"); }

  int listener = -1;
  int port = -1;
  int backlog = -1;
};

TEST(ScriptedPlc, RackAndSlotSelectTheTsapAndAWrongOneIsRefused) {
  // The search tries rack 1 with slots 0 to 5, then rack 0 from slot 0 on.
  ScriptedServer server(AcceptsOnlyRack0Slot2, 2 + 9 + 1);
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
      {"a service that is no S7 PLC",
       [](int fd) {
         ReadTpkt(fd);
         WriteBytes(fd, Hex("47 45 54 20 2F 20 48 54 54 50 2F 31 2E 31 0D 0A"));
         AwaitClose(fd);
       },
       daveResNotS7Service, 0, daveStepIsoConnect,
       "this service at 127.0.0.1:PORT does not answer as an S7 PLC"},
      {"disconnect request",
       [](int fd) {
         ReadTpkt(fd);
         WriteBytes(fd, Hex("03 00 00 0B 06 80 00 01 00 01 88"));
         AwaitClose(fd);
       },
       daveResCotpRefusedBase - 136, 0, daveStepIsoConnect,
       "The PLC refused the ISO connection to rack 0, slot 2: COTP reason 136 (the PLC refused the "
       "connection request) - check rack and slot"},
      {"disconnect request, reason not specified",
       [](int fd) {
         ReadTpkt(fd);
         WriteBytes(fd, Hex("03 00 00 0B 06 80 00 01 00 01 00"));
         AwaitClose(fd);
       },
       daveResCotpRefusedBase, 0, daveStepIsoConnect,
       "The PLC refused the ISO connection to rack 0, slot 2: COTP reason 0 (the PLC refused the "
       "connection (reason not specified)) - check rack and slot"},
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
       "Step \"S7 set-up\": the answer belongs to another request (wrong PDU reference)"},
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
       0, daveResConnectionReset, daveStepOrderCode, "Step \"order code\": the connection broke"},
      {"order-code answer silent",
       [](int fd) {
         AcceptAndSetUp(fd);
         AwaitClose(fd);
       },
       0, daveResTimeout, daveStepOrderCode, "Step \"order code\": no answer in time"},
      {"order code refused: SZL error in the parameters", RefusesOrderCode([](std::uint16_t ref) {
         return SzlAnswerPdu(ref, {}, 0, 0, 0xD401, 0x0A);
       }),
       0, 0xD401, daveStepOrderCode,
       "Step \"order code\": the PLC answered with error 0xD401 (PLC: information function "
       "unavailable (invalid SZL ID))"},
      {"order code refused: Ack_Data with error class and code",
       RefusesOrderCode([](std::uint16_t ref) {
         return Hex(("32 03 00 00 " + RefHex(ref) + " 00 00 00 00 81 04").c_str());
       }),
       0, 0x8104, daveStepOrderCode,
       "Step \"order code\": the PLC answered with error 0x8104 (PLC: service not implemented "
       "on the module, or frame error) - on an S7-1200/1500 allow PUT/GET access and check the "
       "protection level"},
      {"order code refused: item return code",
       RefusesOrderCode([](std::uint16_t ref) { return SzlAnswerPdu(ref, {}, 0, 0, 0, 0x03); }), 0,
       daveResItemAccessDenied, daveStepOrderCode,
       "Step \"order code\": the PLC returned 0x03 for the requested object (the PLC does not "
       "allow access to the requested object) - on an S7-1200/1500 allow PUT/GET access and check "
       "the protection level"},
      {"order code answer contradicts itself: no error, return code 0",
       RefusesOrderCode([](std::uint16_t ref) { return SzlAnswerPdu(ref, {}, 0, 0, 0, 0x00); }), 0,
       daveResCannotEvaluatePDU, daveStepOrderCode,
       "Step \"order code\": the answer cannot be evaluated"},
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
  // Records of 60 bytes with a 58-character "order code", in an answer that
  // fills most of the PDU: only 20 characters and the zero reach the caller.
  std::string records;
  for (int i = 0; i < 7; ++i) {
    records += "00 01";
    for (int k = 0; k < 58; ++k) records += " 41";
  }
  auto script = [&records](int fd) {
    AcceptAndSetUp(fd);
    Bytes szl = ReadTpkt(fd);
    WriteBytes(fd, Iso(SzlAnswerPdu(RefOf(szl), Concat({Hex("00 11 00 00 00 3C 00 07"),
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
    EXPECT_EQ(daveGetOrderCode(dc, buf), daveResAnswerIncomplete);
    EXPECT_LE(Clock::now() - start, 2 * limit);
    EXPECT_EQ(daveGetOrderCode(dc, buf), daveResNotConnected);  // link dropped
    daveFailure first{};
    daveGetConnectionFailure(dc, &first);
    EXPECT_EQ(first.result, daveResAnswerIncomplete) << "the follow-up does not hide the cause";
    EXPECT_STREQ(buf, "");
    daveFree(dc);
    daveFree(di);
    closePort(fd);
  }
  EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST(OpenSocket, GivesUpOnAPeerThatDoesNotAnswer) {
  int port;
  {
    UnansweringPeer peer;
    ASSERT_GE(peer.port, 0);
    port = peer.port;
    daveSetConnectTimeout(200);
    peer.FillBacklog();
    int before = OpenDescriptorCount();
    auto start = Clock::now();
    errno = 0;
    EXPECT_EQ(openSocket(port, "127.0.0.1"), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 2.0);
    EXPECT_EQ(OpenDescriptorCount(), before);
    daveSetConnectTimeout(3000);
  }  // the peer is gone: its port now refuses

  // The caller can tell a refusal from an address it got wrong.
  struct Case {
    int port;
    const char* peer;
    int why;
    int step;  // in the recorded detail
  } cases[] = {
      {port, "127.0.0.1", ECONNREFUSED, daveStepTcpConnect},  // nobody listens there any more
      {0, "127.0.0.1", EINVAL, daveStepTcpConnect},
      {65536, "127.0.0.1", EINVAL, daveStepTcpConnect},
      {port, "localhost", ECONNREFUSED, daveStepTcpConnect},  // a name is looked up
      {102, " 127.0.0.1", ENOENT, daveStepNameLookup},
      {102, "127.0.0.1.5", ENOENT, daveStepNameLookup},
      {102, "no-such-plc.invalid", ENOENT, daveStepNameLookup},
      {102, "", ENOENT, daveStepNameLookup},
      {102, nullptr, EINVAL, daveStepTcpConnect},
  };
  // Whatever the name server does, a failed look-up ends within the limit
  // (the bound allows as much again for a loaded machine).
  daveSetConnectTimeout(500);
  int open = OpenDescriptorCount();
  for (const Case& c : cases) {
    auto start = Clock::now();
    errno = 0;
    EXPECT_EQ(openSocket(c.port, c.peer), -1) << c.port << " " << (c.peer ? c.peer : "NULL");
    EXPECT_EQ(errno, c.why) << c.port << " " << (c.peer ? c.peer : "NULL");
    daveFailure failure{};
    daveGetOpenFailure(&failure);
    EXPECT_EQ(failure.step, c.step) << (c.peer ? c.peer : "NULL");
    EXPECT_LE(Clock::now() - start, std::chrono::milliseconds(2 * 500))
        << (c.peer ? c.peer : "NULL");
  }
  daveSetConnectTimeout(daveDefaultConnectTimeoutMs);
  EXPECT_EQ(OpenDescriptorCount(), open);
}

TEST(OpenSocket, AHostNameLookUpThatHangsEndsAtTheConnectLimit) {
  // A name server that does not answer until the test lets it.
  auto release = std::make_shared<std::promise<void>>();
  std::shared_future<void> released = release->get_future().share();
  auto returned = std::make_shared<std::promise<void>>();
  std::future<void> lookUpReturned = returned->get_future();
  LookupFunction hanging = [released, returned](const char*, const char*, const addrinfo*,
                                                addrinfo**) {
    released.wait();
    returned->set_value();
    return EAI_AGAIN;
  };
  const auto limit = std::chrono::milliseconds(300);
  auto start = Clock::now();
  errno = 0;
  AddrList found = LookUpTcpPeer("plc.example", 102, Deadline(SystemClock(), limit), hanging);
  auto took = Clock::now() - start;
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_GE(took, limit);
  EXPECT_LE(took, 2 * limit);
  // The abandoned look-up finishes on its own once the name server answers.
  release->set_value();
  EXPECT_EQ(lookUpReturned.wait_for(std::chrono::seconds(5)), std::future_status::ready);

  // A numeric address never reaches the name server.
  LookupFunction unused = [](const char*, const char*, const addrinfo*, addrinfo**) {
    ADD_FAILURE() << "numeric address looked up";
    return EAI_FAIL;
  };
  EXPECT_NE(LookUpTcpPeer("::1", 102, Deadline(SystemClock(), limit), unused), nullptr);
  EXPECT_NE(LookUpTcpPeer("127.0.0.1", 102, Deadline(SystemClock(), limit), unused), nullptr);
}

// Sends a signal to the calling thread every few milliseconds while it is
// alive, so every wait inside the library is interrupted again and again;
// gives up after five seconds and remembers that it had to.
class SignalStorm {
 public:
  SignalStorm() : target_(pthread_self()) {
    struct sigaction quiet {};
    quiet.sa_handler = [](int) {};
    sigaction(SIGUSR1, &quiet, &previous_);
    thread_ = std::thread([this] {
      auto end = Clock::now() + std::chrono::seconds(5);
      while (!stop_) {
        if (Clock::now() > end) {
          gaveUp_ = true;
          return;
        }
        pthread_kill(target_, SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    });
  }
  ~SignalStorm() {
    stop_ = true;
    thread_.join();
    sigaction(SIGUSR1, &previous_, nullptr);
  }
  // True when the call under test outlasted the storm: an interrupted wait
  // started its time-out afresh instead of counting the time already spent.
  bool gaveUp() const { return gaveUp_; }

 private:
  pthread_t target_;
  struct sigaction previous_ {};
  std::atomic<bool> stop_{false};
  std::atomic<bool> gaveUp_{false};
  std::thread thread_;
};

TEST(Waits, SignalsArrivingAllTheTimeDoNotStretchATimeOut) {
  // An answer that never comes: the time-out (200 ms) must still end the wait.
  // The server holds the connection for longer than the storm lasts.
  {
    ScriptedServer server([](int fd) { ReadBytes(fd, 1 << 20, 8000); });
    int fd = openSocket(server.port(), "127.0.0.1");
    ASSERT_GE(fd, 0);
    daveInterface* di = daveNewInterface({fd, fd}, "IF1", 0, daveProtoISOTCP, 1);
    daveSetTimeout(di, 200000);
    daveConnection* dc = daveNewConnection(di, 2, 0, 2);
    int r;
    bool gaveUp;
    {
      SignalStorm storm;
      r = daveConnectPLC(dc);
      gaveUp = storm.gaveUp();
    }
    EXPECT_EQ(r, daveResTimeout);
    EXPECT_FALSE(gaveUp) << "the answer wait restarted on every signal";
    daveFree(dc);
    daveFree(di);
    closePort(fd);
  }
  // A TCP connect that is never accepted: a full backlog drops the attempt.
  UnansweringPeer peer;
  ASSERT_GE(peer.port, 0);
  const int port = peer.port;
  daveSetConnectTimeout(200);
  peer.FillBacklog();
  int second;
  bool gaveUp;
  {
    SignalStorm storm;
    second = openSocket(port, "127.0.0.1");
    gaveUp = storm.gaveUp();
  }
  daveSetConnectTimeout(3000);
  EXPECT_EQ(second, -1);
  EXPECT_FALSE(gaveUp) << "the connect wait restarted on every signal";
  closePort(second);
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
  daveFailure notOpen{};
  daveGetInterfaceFailure(closed, &notOpen);
  EXPECT_EQ(CauseLine(notOpen), "Step \"TCP connect\": the port or socket is not open");
  daveConnection* conn = daveNewConnection(closed, 2, 0, 2);
  EXPECT_EQ(daveGetOrderCode(conn, nullptr), daveResInvalidParam);
  EXPECT_EQ(daveListReachablePartners(closed, nullptr), daveResInvalidParam);
  EXPECT_EQ(daveConnectPLC(conn), daveResPortNotOpen);
  daveFree(conn);
  daveFree(conn);  // a second free is ignored
  daveFree(closed);
  EXPECT_EQ(daveInitAdapter(closed), daveResInvalidHandle);

  EXPECT_EQ(openS7online("S7ONLINE", 0), -1);
  daveFailure noAccessPoint{};
  daveGetOpenFailure(&noAccessPoint);
  EXPECT_EQ(CauseLine(noAccessPoint), "S7ONLINE does not exist on Linux");
  daveInterface* online = daveNewInterface({-1, -1}, "IF1", 0, daveProtoS7online, 1);
  EXPECT_EQ(daveInitAdapter(online), daveResS7onlineUnavailable);
  daveFree(online);
  EXPECT_EQ(closePort(-1), -1);
}

// Freeing a connection and its interface while a call on it waits for the
// PLC is safe: the call ends with its own result, and the handles are gone.
TEST(Facade, FreeingWhileACallWaitsIsSafe) {
  std::promise<void> requested;
  ScriptedServer server([&requested](int fd) {
    ReadTpkt(fd);
    requested.set_value();
    AwaitClose(fd);
  });
  int fd = openSocket(server.port(), "127.0.0.1");
  daveInterface* di = daveNewInterface({fd, fd}, "IF1", 0, daveProtoISOTCP, 1);
  daveSetTimeout(di, 300000);
  daveConnection* dc = daveNewConnection(di, 2, 0, 2);
  std::future<int> call = std::async(std::launch::async, [dc] { return daveConnectPLC(dc); });
  requested.get_future().wait();  // the call now waits for the confirm
  daveFree(dc);
  daveFree(di);
  EXPECT_EQ(call.get(), daveResTimeout);
  EXPECT_EQ(daveConnectPLC(dc), daveResInvalidHandle);
  EXPECT_EQ(daveInitAdapter(di), daveResInvalidHandle);
  closePort(fd);
}

TEST(Strerror, EveryCodeTheLibraryReturnsHasItsOwnText) {
  const int codes[] = {
#define DAVE_RESULT(name, value, text) name,
#include "plc/nodave/ResultCodes.def"
      daveResCotpRefusedBase - 3,
      daveResCotpRefusedBase - 136,
      daveResAdapterErrorBase - 0x0313,
      daveResAdapterErrorBase - 0x031A,
      0x8104,
      0xD402,
      0xD241};
  std::set<std::string> texts;
  const std::set<std::string> german = GermanCatalogueIds();
  for (int code : codes) {
    std::string text = daveStrerror(code);
    EXPECT_EQ(text.find("no message defined"), std::string::npos) << code;
    EXPECT_FALSE(text.empty()) << code;
    EXPECT_EQ(german.count(text), 1u) << "no German for " << text;
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
