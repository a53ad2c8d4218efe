// PPI and MPI over a pseudo-terminal, through the C API, with a scripted
// S7-200 or PC adapter on the other end. The peers frame and check bytes
// themselves, so the frames are checked on the line, byte for byte.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "plc/nodave/nodave.h"
#include "tests/plc/nodave/Causes.h"
#include "tests/plc/nodave/FakeTransport.h"
#include "tests/plc/nodave/RealIo.h"
#include "tests/plc/nodave/S7Frames.h"

namespace nodave::testing {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::uint8_t Sum(const Bytes& b, std::size_t from, std::size_t to) {
  unsigned s = 0;
  for (std::size_t i = from; i < to; ++i) s += b[i];
  return static_cast<std::uint8_t>(s);
}

// --- PPI: a scripted S7-200 at address 2 --------------------------------

Bytes ReadPpiFrame(int fd) {
  Bytes first = ReadBytes(fd, 1);
  if (first.empty()) return {};
  if (first[0] == 0x10) return Concat({first, ReadBytes(fd, 5)});
  if (first[0] != 0x68) return first;
  Bytes head = ReadBytes(fd, 3);
  if (head.size() < 3) return {};
  return Concat({first, head, ReadBytes(fd, head[0] + 2u)});
}

Bytes PpiAnswer(const Bytes& pdu) {
  Bytes frame = Concat({Hex("68 00 00 68 00 02 08"), pdu, Hex("00 16")});
  frame[1] = frame[2] = static_cast<std::uint8_t>(pdu.size() + 3);
  frame[frame.size() - 2] = Sum(frame, 4, frame.size() - 2);
  return frame;
}

TEST(PpiOverPty, ConnectsAndReadsTheOrderCode) {
  PtyPeer pty;
  int fd = setPort(pty.name().c_str(), "9600", 'E');
  ASSERT_GE(fd, 0);
  std::vector<Bytes> frames;
  pty.run([&frames](int m) {
    Bytes request;
    for (int i = 0; i < 5; ++i) {  // setup, poll, poll, SZL, poll
      Bytes f = ReadPpiFrame(m);
      if (f.empty()) return;
      frames.push_back(f);
      if (f[0] == 0x68) {
        request.assign(f.begin() + 7, f.end() - 2);
        WriteBytes(m, Hex("E5"));
      } else if (i == 1) {
        WriteBytes(m, Hex("E5"));  // not ready at the first poll
      } else {
        std::uint16_t ref = static_cast<std::uint16_t>(request[4] << 8 | request[5]);
        WriteBytes(m, PpiAnswer(request[1] == 0x01 ? SetupAnswerPdu(ref, "00 00", "00 F0")
                                                   : SzlAnswerPdu(ref, Szl0011Payload())));
      }
    }
  });
  daveInterface* di = daveNewInterface({fd, fd}, "IF1", 0, daveProtoPPI, 1);
  daveSetTimeout(di, 300000);
  ASSERT_EQ(daveInitAdapter(di), 0);
  daveConnection* dc = daveNewConnection(di, 2, 0, 0);
  EXPECT_EQ(daveConnectPLC(dc), 0);
  char code[22] = {};
  EXPECT_EQ(daveGetOrderCode(dc, code), 0);
  EXPECT_STREQ(code, "6ES7 315-2EH14-0AB0 ");
  EXPECT_EQ(daveDisconnectPLC(dc), 0);
  EXPECT_EQ(daveDisconnectAdapter(di), 0);
  daveFree(dc);
  daveFree(di);
  closePort(fd);
  pty.join();

  std::vector<Bytes> expected = {
      Hex("68 15 15 68 02 00 6C 32 01 00 00 00 01 00 08 00 00 F0 00 00 01 00 01 00 F0 8C 16"),
      Hex("10 02 00 5C 5E 16"),
      Hex("10 02 00 7C 7E 16"),
      Hex("68 1D 1D 68 02 00 6C 32 07 00 00 00 02 00 08 00 08 00 01 12 04 11 44 01 00 FF 09 00 04 "
          "00 11 00 00 43 16"),
      Hex("10 02 00 5C 5E 16"),
  };
  EXPECT_EQ(frames, expected);
}

TEST(PpiOverPty, ASilentStationTimesOut) {
  PtyPeer pty;
  int fd = setPort(pty.name().c_str(), "19200", 'E');
  ASSERT_GE(fd, 0);
  daveInterface* di = daveNewInterface({fd, fd}, "IF1", 0, daveProtoPPI, 1);
  daveSetTimeout(di, 50000);
  ASSERT_EQ(daveInitAdapter(di), 0);
  daveConnection* dc = daveNewConnection(di, 2, 0, 0);
  auto start = Clock::now();
  EXPECT_EQ(daveConnectPLC(dc), daveResTimeout);
  EXPECT_LT(SecondsSince(start), 2.0);
  daveFree(dc);
  daveFree(di);
  closePort(fd);
}

// The header's promise on a serial line, with a station that floods it with
// noise: connecting ends within daveCallTimeoutFactor answer time-outs (the
// bound allows as much again for a loaded machine; the noise would never
// end). The other ways a station can hold a call are driven by a fake clock
// in CallLimit.
TEST(PpiOverPty, NoStationCanHoldACallPastTheHeaderLimit) {
  constexpr int kAnswerMs = 100;
  const auto limit = std::chrono::milliseconds(kAnswerMs * daveCallTimeoutFactor);
  PtyPeer pty;
  int fd = setPort(pty.name().c_str(), "19200", 'E');
  ASSERT_GE(fd, 0);
  std::atomic<bool> done{false};
  pty.run([&done](int m) {
    fcntl(m, F_SETFL, fcntl(m, F_GETFL) | O_NONBLOCK);
    const Bytes noise(256, 0x00);
    while (!done) {
      pollfd p{m, POLLOUT, 0};
      if (poll(&p, 1, 20) > 0 && write(m, noise.data(), noise.size()) < 0) return;
    }
  });
  daveInterface* di = daveNewInterface({fd, fd}, "IF1", 0, daveProtoPPI, 1);
  daveSetTimeout(di, kAnswerMs * 1000);
  ASSERT_EQ(daveInitAdapter(di), 0);
  daveConnection* dc = daveNewConnection(di, 2, 0, 0);
  auto start = Clock::now();
  EXPECT_NE(daveConnectPLC(dc), 0);
  EXPECT_LE(Clock::now() - start, 2 * limit);
  done = true;
  daveFree(dc);
  daveFree(di);
  closePort(fd);
  pty.join();
}

// --- MPI: a scripted PC adapter with a CPU at address 2 -----------------

// Bus data from the CPU (address 2, its connection id 0x10 - a DLE on the line).
Bytes FromCpu(const char* rest) {
  return Concat({Hex("04 82 80 0C 14 10"), Hex(rest)});
}

class MpiOverPty : public ::testing::TestWithParam<int> {};

TEST_P(MpiOverPty, JoinsTheBusListsPartnersAndReadsTheOrderCode) {
  PtyPeer pty;
  int fd = setPort(pty.name().c_str(), "38400", 'O');
  ASSERT_GE(fd, 0);
  AdapterSide adapter{};
  pty.run([&adapter](int m) {
    adapter.fd = m;
    adapter.receive();  // join the bus
    adapter.send(Concat({Hex("01 03 20"), Bytes{'V', '0', '0', '.', '8', '5'}}));
    adapter.receive();  // bus scan
    Bytes scan = Concat({Hex("01 07 20 00 00 1F"), Bytes(127, 0x10)});
    scan[6] = scan[8] = 0x30;
    adapter.send(scan);
    adapter.receive();  // connection request
    adapter.send(FromCpu("D0 04 00 80 00 02 00 02 01 02 01 00"));
    adapter.receive();  // confirm
    adapter.send(FromCpu("05 01"));
    Bytes setup = adapter.receive();
    adapter.send(FromCpu("B0 01 00"));
    adapter.send(Concat({FromCpu("F1 00"), SetupAnswerPdu(1, "00 00", "00 F0")}));
    adapter.receive();  // our acknowledgement
    adapter.receive();  // SZL request
    adapter.send(FromCpu("B0 01 01"));
    adapter.send(Concat({FromCpu("F1 01"), SzlAnswerPdu(2, Szl0011Payload())}), true);
    adapter.receive();  // acknowledgement
    adapter.receive();  // disconnect
    adapter.send(FromCpu("C0"));
    adapter.receive();  // leave the bus
    adapter.send(Hex("01 04 20"));
  });

  daveInterface* di = daveNewInterface({fd, fd}, "IF1", 0, GetParam(), daveSpeed187k);
  daveSetTimeout(di, 500000);
  ASSERT_EQ(daveInitAdapter(di), 0);
  char list[126];
  ASSERT_EQ(daveListReachablePartners(di, list), 126);
  EXPECT_EQ(list[0], 0x30);
  EXPECT_EQ(list[1], 0x10);
  EXPECT_EQ(list[2], 0x30);
  daveConnection* dc = daveNewConnection(di, 2, 0, 2);
  EXPECT_EQ(daveConnectPLC(dc), 0);
  char code[22] = {};
  EXPECT_EQ(daveGetOrderCode(dc, code), 0);
  EXPECT_STREQ(code, "6ES7 315-2EH14-0AB0 ");
  EXPECT_EQ(daveDisconnectPLC(dc), 0);
  EXPECT_EQ(daveDisconnectAdapter(di), 0);
  daveFree(dc);
  daveFree(di);
  closePort(fd);
  pty.join();

  EXPECT_FALSE(adapter.failed);
  std::vector<Bytes> expected = {
      Hex("01 03 02 27 00 9F 01 3C 00 90 01 14 00 00 05 02 00 1F 02 01 01 03 81"),
      Hex("01 07 02"),
      Hex("04 82 00 0D 00 14 E0 04 00 80 00 02 00 02 01 00 01 02"),
      Hex("04 82 00 0C 10 14 05 01"),
      Concat({Hex("04 82 02 0C 10 14 F1 00"), Hex("32 01 00 00 00 01 00 08 00 00 F0 00 00 01 00 "
                                                  "01 00 F0")}),
      Hex("04 82 00 0C 10 14 B0 01 00"),
      Concat({Hex("04 82 02 0C 10 14 F1 01"), Hex("32 07 00 00 00 02 00 08 00 08 00 01 12 04 11 "
                                                  "44 01 00 FF 09 00 04 00 11 00 00")}),
      Hex("04 82 00 0C 10 14 B0 01 01"),
      Hex("04 82 00 0C 10 14 80"),
      Hex("01 04 02"),
  };
  EXPECT_EQ(adapter.telegrams, expected);
  // On the line the CPU's id 0x10 is doubled, and the BCC covers DLE ETX.
  ASSERT_GE(adapter.rawBlocks.size(), 4u);
  EXPECT_EQ(adapter.rawBlocks[3], Hex("04 82 00 0C 10 10 14 05 01 10 03 89"));
}

INSTANTIATE_TEST_SUITE_P(WithStx, MpiOverPty, ::testing::Values(daveProtoMPI, daveProtoMPI3));

TEST(MpiAdapterOverPty, ASilentAdapterTimesOutAndTheUndocumentedCasesSayWhy) {
  PtyPeer pty;
  int fd = setPort(pty.name().c_str(), "19200", 'O');
  ASSERT_GE(fd, 0);
  daveInterface* di = daveNewInterface({fd, fd}, "IF1", 0, daveProtoMPI, daveSpeed187k);
  daveSetTimeout(di, 20000);
  auto start = Clock::now();
  EXPECT_EQ(daveInitAdapter(di), daveResTimeout);  // six STX without answer
  EXPECT_LT(SecondsSince(start), 2.0);
  char list[126];
  EXPECT_EQ(daveListReachablePartners(di, list), daveResAdapterNotReady);
  daveConnection* dc = daveNewConnection(di, 2, 0, 2);
  EXPECT_EQ(daveConnectPLC(dc), daveResAdapterNotReady);
  daveFree(dc);
  daveFree(di);

  // An adapter that echoes the line answers at once, but nothing of 3964R.
  pty.run([](int master) {
    for (Bytes got = ReadBytes(master, 1, 200); !got.empty(); got = ReadBytes(master, 1, 200))
      WriteBytes(master, got);
  });
  daveInterface* echoing = daveNewInterface({fd, fd}, "IF1", 0, daveProtoMPI, daveSpeed187k);
  EXPECT_EQ(daveInitAdapter(echoing), daveResBadFrame);
  daveFailure failure{};
  daveGetInterfaceFailure(echoing, &failure);
  EXPECT_EQ(CauseLine(failure), "Step \"adapter answer\": the adapter at " + pty.name() +
                                    " answered something that is not a valid telegram");
  daveFree(echoing);
  pty.join();

  daveInterface* other = daveNewInterface({fd, fd}, "IF1", 0, daveProtoMPI, daveSpeed1500k);
  EXPECT_EQ(daveInitAdapter(other), daveResSpeedUndocumented);
  daveFree(other);
  daveInterface* noStx = daveNewInterface({fd, fd}, "IF1", 0, daveProtoMPI2, daveSpeed187k);
  EXPECT_EQ(daveInitAdapter(noStx), daveResMpiVariantUndocumented);
  daveFree(noStx);
  closePort(fd);
}

// setPort of device by the user "nobody", in a child process: its detail.
daveFailure OpenAsNobody(const std::string& device) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    const passwd* nobody = getpwnam("nobody");
    daveFailure f{};
    if (nobody && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 &&
        setuid(nobody->pw_uid) == 0) {
      closePort(setPort(device.c_str(), "9600", 'E'));
      daveGetOpenFailure(&f);
    }
    _exit(write(pipeFds[1], &f, sizeof f) == sizeof f ? 0 : 1);
  }
  close(pipeFds[1]);
  daveFailure f{};
  if (read(pipeFds[0], &f, sizeof f) != sizeof f) f = {};
  close(pipeFds[0]);
  waitpid(pid, nullptr, 0);
  return f;
}

daveFailure OpenFailureOf(const char* name) {
  closePort(setPort(name, "19200", 'O'));
  daveFailure f{};
  daveGetOpenFailure(&f);
  return f;
}

TEST(SerialFailures, NameTheDeviceAndWhy) {
  const bool root = geteuid() == 0;
  const group* dialout = getgrnam("dialout");
  // DEVICE stands for the device's path; "..." at the end allows any rest
  // (the adapters present depend on the machine).
  struct Case {
    const char* name;
    bool needsRoot;
    std::function<daveFailure(const std::string& device)> run;
    int step;
    const char* cause;
  } cases[] = {
      {"COM9 mapped to a device that does not exist", false,
       [](const std::string& device) {
         setenv("VN_S7_COM9", (device + "-gone").c_str(), 1);
         daveFailure f = OpenFailureOf("COM9");
         unsetenv("VN_S7_COM9");
         return f;
       },
       daveStepSerialOpen, "DEVICE-gone does not exist; ..."},
      {"a device of a group the user is not in", true,
       [dialout](const std::string& device) {
         if (!dialout || chown(device.c_str(), 0, dialout->gr_gid) != 0 ||
             chmod(device.c_str(), 0660) != 0) {
           return daveFailure{};
         }
         return OpenAsNobody(device);
       },
       daveStepSerialOpen,
       "DEVICE: permission denied - the device belongs to the group \"dialout\"; add the user to "
       "it and log in again"},
      {"a device another program holds", false,
       [](const std::string& device) {
         const int holder = open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
         flock(holder, LOCK_EX);
         daveFailure f = OpenFailureOf(device.c_str());
         close(holder);
         return f;
       },
       daveStepSerialOpen, "DEVICE is in use by another program"},
      {"an MPI adapter that stays silent", false,
       [](const std::string& device) {
         const int fd = setPort(device.c_str(), "19200", 'O');
         daveInterface* di = daveNewInterface({fd, fd}, "IF1", 0, daveProtoMPI, daveSpeed187k);
         daveSetTimeout(di, 20000);
         daveInitAdapter(di);
         // The connection's failure is the adapter's, not "not initialised".
         daveConnection* dc = daveNewConnection(di, 2, 0, 2);
         daveConnectPLC(dc);
         daveFailure f{};
         daveGetConnectionFailure(dc, &f);
         daveFree(dc);
         daveFree(di);
         closePort(fd);
         return f;
       },
       daveStepAdapter,
       "Step \"adapter answer\": no answer from the adapter on DEVICE at 19200 bit/s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsRoot && (!root || !dialout)) {
      std::cout << "[  SKIPPED ] " << c.name << ": needs the superuser and a group dialout\n";
      continue;
    }
    PtyPeer pty;
    const daveFailure failure = c.run(pty.name());
    EXPECT_EQ(failure.step, c.step);
    std::string cause = c.cause;
    cause.replace(cause.find("DEVICE"), 6, pty.name());
    const std::string line = CauseLine(failure);
    EXPECT_EQ(UntranslatedTexts(failure), std::vector<std::string>{});
    if (cause.ends_with("...")) {
      cause.resize(cause.size() - 3);
      EXPECT_EQ(line.substr(0, cause.size()), cause);
    } else {
      EXPECT_EQ(line, cause);
    }
  }
}

TEST(SetPort, RefusesWhatItCannotOpen) {
  PtyPeer pty;
  EXPECT_EQ(setPort(pty.name().c_str(), "12345", 'E'), -1);  // no such rate
  EXPECT_EQ(setPort(pty.name().c_str(), "9600", 'X'), -1);
  EXPECT_EQ(setPort(nullptr, "9600", 'E'), -1);
  EXPECT_EQ(setPort("/nonexistent/tty", "9600", 'E'), -1);
  setenv("VN_S7_COM7", pty.name().c_str(), 1);
  int fd = setPort("COM7", "9600", 'O');  // "COM<n>" through the environment
  EXPECT_GE(fd, 0);
  closePort(fd);
  unsetenv("VN_S7_COM7");
  EXPECT_EQ(setPort("COM0", "9600", 'E'), -1);
}

}  // namespace
}  // namespace nodave::testing
