// The library against an independent S7 implementation: the Snap7 server
// (from npm node-snap7, built by the nodave_peer_build test) on loopback.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "RealIo.h"
#include "nodave/nodave.h"

namespace nodave::testing {
namespace {

class Emulator : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { emulator_ = std::make_unique<EmulatorProcess>(); }
  static void TearDownTestSuite() { emulator_.reset(); }

  // The card's sequence for "Readout Info ", returning the order code read.
  static int ReadOrderCode(int rack, int slot, char* buf, const char* host = "127.0.0.1") {
    int fd = openSocket(emulator_->port(), host);
    if (fd < 0) return -1;
    _daveOSserialType port{fd, fd};
    daveInterface* di = daveNewInterface(port, "IF1", 0, daveProtoISOTCP, daveSpeed19k);
    daveSetTimeout(di, 500000);
    int r = daveInitAdapter(di);
    daveConnection* dc = nullptr;
    if (r == 0) {
      dc = daveNewConnection(di, 2, rack, slot);
      r = daveConnectPLC(dc);
      if (r == 0) r = daveGetOrderCode(dc, buf);
      if (r == 0) r = daveDisconnectPLC(dc);
    }
    daveDisconnectAdapter(di);
    daveFree(dc);
    daveFree(di);
    closePort(fd);
    return r;
  }

  static std::unique_ptr<EmulatorProcess> emulator_;
};
std::unique_ptr<EmulatorProcess> Emulator::emulator_;

TEST_F(Emulator, ReadsTheOrderCodeWithItsTrailingBlank) {
  // By address and by host name.
  for (const char* host : {"127.0.0.1", "localhost"}) {
    char buf[32];
    std::memset(buf, 0x5A, sizeof buf);
    std::memset(buf, 0, 22);  // the card's zeroed 22-byte buffer, a canary behind it
    ASSERT_EQ(ReadOrderCode(0, 2, buf, host), 0) << host;
    EXPECT_STREQ(buf, "6ES7 315-2EH14-0AB0 ") << host;
    for (std::size_t i = 22; i < sizeof buf; ++i) EXPECT_EQ(buf[i], 0x5A) << host << " " << i;
  }
}

TEST_F(Emulator, ManyCyclesLeaveNoDescriptorOpen) {
  char buf[22] = {};
  ASSERT_EQ(ReadOrderCode(0, 2, buf), 0);  // first use sets up whatever is static
  int before = OpenDescriptorCount();
  for (int i = 0; i < 100; ++i) {
    char code[22] = {};
    ASSERT_EQ(ReadOrderCode(0, 2, code), 0) << "cycle " << i;
    ASSERT_STREQ(code, "6ES7 315-2EH14-0AB0 ");
  }
  EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(Emulator, InterfaceLevelCallsOverTcp) {
  int fd = openSocket(emulator_->port(), "127.0.0.1");
  ASSERT_GE(fd, 0);
  daveInterface* di = daveNewInterface({fd, fd}, "IF1", 0, daveProtoISOTCP, 1);
  ASSERT_NE(di, nullptr);
  EXPECT_EQ(daveInitAdapter(di), 0);
  char list[126];
  // Only a bus has partners to list.
  EXPECT_EQ(daveListReachablePartners(di, list), daveResNotForProtocol);
  daveConnection* dc = daveNewConnection(di, 2, 0, 2);
  ASSERT_EQ(daveConnectPLC(dc), 0);
  // Connecting again keeps the open connection.
  ASSERT_EQ(daveConnectPLC(dc), 0);
  char code[22] = {};
  EXPECT_EQ(daveGetOrderCode(dc, code), 0);
  EXPECT_STREQ(code, "6ES7 315-2EH14-0AB0 ");
  daveFree(di);  // interface first: the connection stays a safe handle
  EXPECT_EQ(daveGetOrderCode(dc, code), daveResInterfaceFreed);
  EXPECT_EQ(daveDisconnectPLC(dc), daveResInterfaceFreed);
  daveFree(dc);
  closePort(fd);
}

}  // namespace
}  // namespace nodave::testing
