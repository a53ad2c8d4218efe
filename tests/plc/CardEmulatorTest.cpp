// The card with the real S7 library over ISO over TCP on loopback: against
// the PLC emulator, against a port where nothing listens, and against servers
// that stay silent, talk garbage or hang up. Every attempt ends, says what
// went wrong and leaves no descriptor open.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "plc/Card.h"
#include "plc/CardDiagnosis.h"
#include "tests/plc/FakeNoDave.h"
#include "tests/plc/nodave/RealIo.h"
#include "tests/plc/nodave/ScriptedPlcs.h"
#include "tests/support/testsupport/TempFolder.h"
#include "ui/CardResultBox.h"

namespace {

int OpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

// The emulator as a child process: it prints "PORT <n>" and serves until its
// standard input closes.
class EmulatorProcess {
 public:
  EmulatorProcess() {
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) return;
    FPid = fork();
    if (FPid == 0) {
      dup2(toChild[0], STDIN_FILENO);
      dup2(fromChild[1], STDOUT_FILENO);
      close(toChild[1]);
      close(fromChild[0]);
      execl(VN_S7PEER, VN_S7PEER, static_cast<char*>(nullptr));
      _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    FInput = toChild[1];
    FILE* out = fdopen(fromChild[0], "r");
    if (out != nullptr) {
      if (std::fscanf(out, "PORT %d", &FPort) != 1) FPort = -1;
      std::fclose(out);
    }
  }
  ~EmulatorProcess() {
    if (FInput >= 0) close(FInput);  // the emulator stops when its input closes
    if (FPid > 0) waitpid(FPid, nullptr, 0);
  }
  int Port() const { return FPort; }

 private:
  pid_t FPid = -1;
  int FInput = -1;
  int FPort = -1;
};

// A loopback listener of the test's own that treats each client as told.
class MisbehavingServer {
 public:
  enum Behaviour { Silent, Garbage, HangUp };

  explicit MisbehavingServer(Behaviour behaviour) : FBehaviour(behaviour) {
    FListener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(FListener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(FListener, 4);
    getsockname(FListener, reinterpret_cast<sockaddr*>(&addr), &len);
    FPort = ntohs(addr.sin_port);
    FThread = std::thread([this] { Serve(); });
  }
  ~MisbehavingServer() {
    FStop = true;
    FThread.join();
    close(FListener);
  }
  int Port() const { return FPort; }

 private:
  void Serve() {
    int client = -1;
    while (!FStop) {
      pollfd ready{client >= 0 ? client : FListener, POLLIN, 0};
      if (poll(&ready, 1, 20) <= 0) continue;
      if (client < 0) {
        client = accept(FListener, nullptr, nullptr);
        if (FBehaviour == HangUp) {
          close(client);
          client = -1;
        }
        continue;
      }
      char request[512];
      const ssize_t got = read(client, request, sizeof request);
      if (got <= 0) {
        close(client);
        client = -1;
      } else if (FBehaviour == Garbage) {
        // A TPKT header that promises far more than follows, then noise.
        const unsigned char junk[] = {0x03, 0x00, 0xFF, 0xFF, 0xDE, 0xAD, 0xBE, 0xEF, 0x00};
        (void)!write(client, junk, sizeof junk);
      }
    }
    if (client >= 0) close(client);
  }

  Behaviour FBehaviour;
  int FListener = -1;
  int FPort = 0;
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

using nodave::testing::UnusedLoopbackPort;

TConfigInfo IsoOverTcp(int port) {
  TConfigInfo settings;
  settings.Connectiontype = 4;
  settings.IPAddress = "127.0.0.1";
  settings.IPPort = port;
  settings.Rack = 0;
  settings.Slot = 2;
  return settings;
}

class CardEmulatorTest : public TempFolderTest {
 protected:
  void SetUp() override {
    signal(SIGPIPE, SIG_IGN);
    ASSERT_EQ(&NoDave(), &RealNoDaveApi()) << "these tests use the real library";
    card = std::make_unique<TCard>(0, (dir / "libs7drv.so").string());
  }
  void TearDown() override {
    EXPECT_TRUE(recorder.boxes.empty()) << "the card shows nothing itself";
    card.reset();
  }

  BoxRecorder recorder;
  std::unique_ptr<TCard> card;
};

TEST_F(CardEmulatorTest, ReadsTheEmulatorsOrderCode) {
  EmulatorProcess emulator;
  ASSERT_GT(emulator.Port(), 0) << "the emulator did not start: " VN_S7PEER;
  const int descriptors = OpenDescriptors();

  for (int round = 0; round < 3; ++round) {
    const TResultOr<std::string> read = card->ReadOrderCode(IsoOverTcp(emulator.Port()));
    EXPECT_EQ(read.Value, "Order Code:6ES7 315-2EH14-0AB0 ");
    EXPECT_TRUE(read.Result.Ok());
  }
  TConfigInfo byName = IsoOverTcp(emulator.Port());
  byName.IPAddress = "localhost";
  const TResultOr<std::string> read = card->ReadOrderCode(byName);
  EXPECT_EQ(read.Value, "Order Code:6ES7 315-2EH14-0AB0 ");
  EXPECT_TRUE(read.Result.Ok());
  EXPECT_EQ(card->ConnectCount(), 0);
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

// The observer sees each step as it ends; a stop ends the run before the
// next step, with the connection closed.
TEST_F(CardEmulatorTest, ADiagnosisShowsEachStepAndStopsBeforeTheNext) {
  EmulatorProcess emulator;
  const int descriptors = OpenDescriptors();
  std::atomic<bool> stop{false};
  std::vector<std::string> seen;
  const TDiagnosis diagnosis = card->Diagnose(
      IsoOverTcp(emulator.Port()),
      [&](const TDiagnosisStep& step) {
        seen.push_back(step.Key);
        stop = step.Key == "TCP connect";
      },
      &stop);
  EXPECT_EQ(seen, (std::vector<std::string>{"name look-up", "TCP connect"}));
  EXPECT_EQ(diagnosis.Steps.size(), 2u);
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

// A stopped check sends no further request and says that it was stopped.
TEST_F(CardEmulatorTest, AStoppedChannelCheckSaysSo) {
  EmulatorProcess emulator;
  const std::atomic<bool> stop{true};
  const TResultOr<TChannelCheck> check = card->CheckChannels(
      IsoOverTcp(emulator.Port()), TChannelTreeModel::FromLines({"SPS", "\tE", "\t\t0"}), &stop);
  EXPECT_EQ(check.Result.Text(), "The channel check was stopped.");
  EXPECT_EQ(check.Value.Checked, 0u);
}

TEST_F(CardEmulatorTest, APortWhereNothingListensShowsThePort) {
  const int port = UnusedLoopbackPort();
  const int descriptors = OpenDescriptors();

  const TResultOr<std::string> read = card->ReadOrderCode(IsoOverTcp(port));
  EXPECT_EQ(read.Value, "");

  ASSERT_FALSE(read.Result.Ok());
  EXPECT_EQ(FailureCaption(read.Result.Kind), "Error");
  EXPECT_EQ(read.Result.Text(), "Could not open the port " + std::to_string(port) +
                                    "\n127.0.0.1:" + std::to_string(port) +
                                    ": connection refused - nothing listens there");
  EXPECT_EQ(read.Result.Step, "TCP connect");
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(CardEmulatorTest, AHostNameThatDoesNotResolveIsNamedWithinTheConnectLimit) {
  const int descriptors = OpenDescriptors();
  TConfigInfo settings = IsoOverTcp(UnusedLoopbackPort());
  settings.IPAddress = "no-such-plc.invalid";

  const auto start = std::chrono::steady_clock::now();
  const TResultOr<std::string> read = card->ReadOrderCode(settings);
  EXPECT_EQ(read.Value, "");
  EXPECT_LE(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(daveDefaultConnectTimeoutMs + 200));

  ASSERT_FALSE(read.Result.Ok());
  EXPECT_EQ(FailureCaption(read.Result.Kind), "Error");
  EXPECT_EQ(read.Result.Text(),
            "Could not resolve the host name \"no-such-plc.invalid\"\n"
            "no-such-plc.invalid:" +
                std::to_string(settings.IPPort) + ": the host name could not be resolved");
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(CardEmulatorTest, AMisbehavingPeerEndsInAReportedErrorWithNothingOpen) {
  for (auto behaviour :
       {MisbehavingServer::Silent, MisbehavingServer::Garbage, MisbehavingServer::HangUp}) {
    SCOPED_TRACE("behaviour " + std::to_string(behaviour));
    const int descriptors = OpenDescriptors();
    TResultOr<std::string> read;
    {
      MisbehavingServer server(behaviour);
      read = card->ReadOrderCode(IsoOverTcp(server.Port()));
      EXPECT_EQ(read.Value, "");
    }

    ASSERT_FALSE(read.Result.Ok());
    EXPECT_EQ(FailureCaption(read.Result.Kind), "Fehler");
    EXPECT_EQ(read.Result.Text().rfind("Error: ", 0), 0u) << read.Result.Text();
    EXPECT_EQ(card->ConnectCount(), 0);
    // Counted with the server gone, so only the card's descriptors remain.
    EXPECT_EQ(OpenDescriptors(), descriptors);
  }
}

// The card's message is the library's text for the first failure, and its
// cause line the library's detail; a read after a failure that dropped the
// link reports that failure again, not "not connected".
TEST_F(CardEmulatorTest, ScriptedPeersGiveTheFirstFailureWithItsCause) {
  using namespace nodave::testing;
  const auto szlError = [](int error, int item) {
    return RefusesOrderCode(
        [=](std::uint16_t ref) { return SzlAnswerPdu(ref, {}, 0, 0, error, item); });
  };
  const struct Case {
    const char* name;
    ScriptedServer::Script script;
    int code;
    const char* step;
    const char* cause;  // a part of the cause line
  } cases[] = {
      {"COTP disconnect",
       [](int fd) {
         ReadTpkt(fd);
         WriteBytes(fd, Hex("03 00 00 0B 06 80 00 01 00 01 88"));
         AwaitClose(fd);
       },
       daveResCotpRefusedBase - 136, "ISO connect", "rack 0, slot 2: COTP reason 136"},
      {"SZL error", szlError(0xD401, 0x0A), 0xD401, "order code", "with error 0xD401"},
      {"Ack_Data error class and code", RefusesOrderCode([](std::uint16_t ref) {
         return Hex(("32 03 00 00 " + RefHex(ref) + " 00 00 00 00 81 04").c_str());
       }),
       0x8104, "order code", "error 0x8104 (PLC: service not implemented"},
      {"item return code", szlError(0, 0x03), daveResItemAccessDenied, "order code",
       "returned 0x03"},
      {"silent after the set-up",
       [](int fd) {
         AcceptAndSetUp(fd);
         AwaitClose(fd);
       },
       daveResTimeout, "order code", "Step \"order code\": no answer in time"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server(c.script);
    const TConfigInfo settings = IsoOverTcp(server.port());
    TResult failed = card->Connect(settings);
    if (failed.Ok()) {
      TResultOr<std::string> read;
      read = card->ReadOrderCode(settings);
      EXPECT_EQ(read.Value, "Order Code:");
      failed = read.Result;
      if (c.code == daveResTimeout) {
        TPlcIdentity identity;
        const TResult followUp = card->ReadIdentity(identity);
        EXPECT_EQ(followUp.Message, failed.Message);
        EXPECT_EQ(followUp.Cause, failed.Cause);
      }
      card->Disconnect();
    }
    ASSERT_FALSE(failed.Ok());
    EXPECT_EQ(failed.Message, std::string("Error: ") + daveStrerror(c.code));
    EXPECT_EQ(failed.Step, c.step);
    EXPECT_THAT(failed.Cause, ::testing::HasSubstr(c.cause));
    EXPECT_EQ(card->ConnectCount(), 0);
  }
}

// A diagnosis of scripted peers: what the step that tells shows, and the
// cause and advice of the first failure; no rack/slot command unless a pair
// answered.
TEST_F(CardEmulatorTest, DiagnosisShowsTheFirstFailureAndWhatToTry) {
  using namespace nodave::testing;
  const auto refuses = [](int fd) {
    ReadTpkt(fd);
    WriteBytes(fd, Hex("03 00 00 0B 06 80 00 01 00 01 88"));
  };
  const auto componentListRefused = [](int fd) {
    AcceptAndSetUp(fd);
    WriteBytes(fd, Iso(SzlAnswerPdu(RefOf(ReadTpkt(fd)), Szl0011Payload())));  // order code
    WriteBytes(fd, Iso(SzlAnswerPdu(RefOf(ReadTpkt(fd)), {}, 0, 0, 0xD401, 0x0A)));
    WriteBytes(fd, Iso(SzlAnswerPdu(RefOf(ReadTpkt(fd)), Szl0011Payload())));
    ReadTpkt(fd);  // the operating state is not answered
  };
  const struct Case {
    const char* name;
    ScriptedServer::Script script;
    int connections;  // the search makes one per pair
    const char* step;
    const char* detail;
    const char* cause;   // a part of the cause line
    const char* advice;  // its start
    int slot = 2;
  } cases[] = {
      {"refused, and no pair of the search answers", refuses, 1 + 6, "ISO connect",
       "Error: the PLC refused the connection request", "COTP reason 136", "Check rack and slot"},
      {"closed during the order-code read",
       [](int fd) {
         AcceptAndSetUp(fd);
         ReadTpkt(fd);
       },
       1, "order code", "Error: the PLC or adapter closed the connection", "closed the connection",
       "The connection ended during the read"},
      {"component list refused: the module list names the firmware", componentListRefused, 1,
       "identity", "V3.2.6", "", ""},
      {"a slot the wire cannot carry: nothing is sent", [](int) {}, 0, "name look-up",
       "Slot is 32, but the connection can carry only 0 to 31", "Slot is 32",
       "Give each setting named", 32},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server(c.script, c.connections);
    TConfigInfo settings = IsoOverTcp(server.port());
    settings.Slot = c.slot;
    const TDiagnosis diagnosis = DiagnoseConnection(settings);
    const auto step = std::find_if(diagnosis.Steps.begin(), diagnosis.Steps.end(),
                                   [&](const TDiagnosisStep& s) { return s.Key == c.step; });
    ASSERT_NE(step, diagnosis.Steps.end());
    EXPECT_EQ(step->Detail, c.detail);
    EXPECT_THAT(diagnosis.Cause, ::testing::HasSubstr(c.cause));
    EXPECT_THAT(diagnosis.Advice, ::testing::StartsWith(c.advice));
    EXPECT_EQ(diagnosis.Suggestion, std::nullopt);
  }
}

}  // namespace
