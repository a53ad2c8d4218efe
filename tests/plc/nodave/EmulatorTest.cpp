// The library against an independent S7 implementation: the Snap7 server
// (from npm node-snap7, built by the nodave_peer_build test) on loopback.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "plc/nodave/nodave.h"
#include "tests/plc/nodave/RealIo.h"

namespace nodave::testing {
namespace {

// The card's sequence on the emulator up to a connected PLC at rack 0, slot
// 2: socket, interface, adapter, connection; taken down again at the end.
class EmulatorSession {
 public:
  EmulatorSession(int port, const char* host = "127.0.0.1") : fd_(openSocket(port, host)) {
    if (fd_ < 0) return;
    di_ = daveNewInterface({fd_, fd_}, "IF1", 0, daveProtoISOTCP, daveSpeed19k);
    daveSetTimeout(di_, 500000);
    result_ = daveInitAdapter(di_);
    if (result_ != 0) return;
    dc_ = daveNewConnection(di_, 2, 0, 2);
    result_ = daveConnectPLC(dc_);
  }
  ~EmulatorSession() {
    daveDisconnectPLC(dc_);
    daveDisconnectAdapter(di_);
    daveFree(dc_);
    daveFree(di_);
    if (fd_ >= 0) closePort(fd_);
  }
  // 0 once connected, else the first failure (-1: no socket).
  int result() const { return result_; }
  daveConnection* dc() const { return dc_; }

 private:
  int fd_;
  int result_ = -1;
  daveInterface* di_ = nullptr;
  daveConnection* dc_ = nullptr;
};

class Emulator : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { emulator_ = std::make_unique<EmulatorProcess>(); }
  static void TearDownTestSuite() { emulator_.reset(); }

  // The card's sequence for "Readout Info ", returning the order code read.
  static int ReadOrderCode(char* buf, const char* host = "127.0.0.1") {
    EmulatorSession session(emulator_->port(), host);
    int r = session.result();
    if (r == 0) r = daveGetOrderCode(session.dc(), buf);
    if (r == 0) r = daveDisconnectPLC(session.dc());
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
    ASSERT_EQ(ReadOrderCode(buf, host), 0) << host;
    EXPECT_STREQ(buf, "6ES7 315-2EH14-0AB0 ") << host;
    for (std::size_t i = 22; i < sizeof buf; ++i) EXPECT_EQ(buf[i], 0x5A) << host << " " << i;
  }
}

TEST_F(Emulator, ManyCyclesLeaveNoDescriptorOpen) {
  char buf[22] = {};
  ASSERT_EQ(ReadOrderCode(buf), 0);  // first use sets up whatever is static
  int before = OpenDescriptorCount();
  for (int i = 0; i < 100; ++i) {
    char code[22] = {};
    ASSERT_EQ(ReadOrderCode(code), 0) << "cycle " << i;
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

unsigned Word(const unsigned char* at) {
  return static_cast<unsigned>(at[0] << 8 | at[1]);
}

// The record with the given index word, by walking count * length bytes.
const unsigned char* RecordOf(const unsigned char* list, unsigned index) {
  const unsigned length = Word(list + 4);
  const unsigned count = Word(list + 6);
  for (unsigned i = 0; i < count; ++i) {
    const unsigned char* record = list + 8 + i * length;
    if (Word(record) == index) return record;
  }
  return nullptr;
}

// The record layouts the program relies on, checked against the emulator's
// own answers: component identification texts padded with zero bytes,
// the firmware version in record 7 of the module identification, the mode
// in byte 3 of the mode transition.
TEST_F(Emulator, ReadSzlGivesTheListsTheIdentityIsTakenFrom) {
  EmulatorSession session(emulator_->port());
  ASSERT_EQ(session.result(), 0);
  unsigned char list[1024];

  ASSERT_EQ(daveReadSZL(session.dc(), 0x001C, 0, list, sizeof list), 0);
  EXPECT_EQ(Word(list), 0x001Cu);
  EXPECT_EQ(Word(list + 4), 34u);  // record length
  ASSERT_GE(Word(list + 6), 7u);   // records 1, 2, 3, 4, 5, 7 at least
  // Texts are zero-padded; one of the full field width (26) has no zero after it.
  for (auto [index, text] : {std::pair<unsigned, std::string>{7, "CPU 315-2 PN/DP"},
                             {5, "S C-C2UR28922012"},
                             {4, "Original Siemens Equipment"}}) {
    const unsigned char* record = RecordOf(list, index);
    ASSERT_NE(record, nullptr) << index;
    const char* field = reinterpret_cast<const char*>(record + 2);
    EXPECT_EQ(std::string(field, strnlen(field, 26)), text) << index;
  }

  ASSERT_EQ(daveReadSZL(session.dc(), 0x0011, 0, list, sizeof list), 0);
  EXPECT_EQ(Word(list + 4), 28u);
  const unsigned char* firmware = RecordOf(list, 7);
  ASSERT_NE(firmware, nullptr);
  EXPECT_EQ(firmware[24], 'V');
  EXPECT_EQ(firmware[25], 3);
  EXPECT_EQ(firmware[26], 2);
  EXPECT_EQ(firmware[27], 6);

  ASSERT_EQ(daveReadSZL(session.dc(), 0x0424, 0, list, sizeof list), 0);
  EXPECT_EQ(Word(list), 0x0424u);
  EXPECT_EQ(Word(list + 4), 20u);
  ASSERT_EQ(Word(list + 6), 1u);
  EXPECT_EQ(list[8 + 3] & 0x0F, 0x08);  // RUN

  // A list the PLC does not have is refused with its own code; the
  // connection stays usable.
  EXPECT_EQ(daveReadSZL(session.dc(), 0x0F99, 0, list, sizeof list), 0xD402);
  char code[22] = {};
  EXPECT_EQ(daveGetOrderCode(session.dc(), code), 0);
}

TEST_F(Emulator, ReadSzlCopiesOnlyWholeRecordsThatFit) {
  EmulatorSession session(emulator_->port());
  ASSERT_EQ(session.result(), 0);
  unsigned char list[8 + 2 * 34 + 33];
  std::memset(list, 0x5A, sizeof list);
  ASSERT_EQ(daveReadSZL(session.dc(), 0x001C, 0, list, 8 + 2 * 34 + 20), 0);
  EXPECT_EQ(Word(list + 6), 2u);
  EXPECT_EQ(Word(list + 8), 1u);  // record 1 first
  for (std::size_t i = 8 + 2 * 34; i < sizeof list; ++i) EXPECT_EQ(list[i], 0x5A) << i;
  EXPECT_EQ(daveReadSZL(session.dc(), 0x001C, 0, list, 7), daveResInvalidParam);
  EXPECT_EQ(daveReadSZL(session.dc(), 0x10000, 0, list, sizeof list), daveResInvalidParam);
  EXPECT_EQ(daveReadSZL(session.dc(), 0x001C, -1, list, sizeof list), daveResInvalidParam);
  EXPECT_EQ(daveReadSZL(session.dc(), 0x001C, 0, nullptr, sizeof list), daveResInvalidParam);
  EXPECT_EQ(daveReadSZL(nullptr, 0x001C, 0, list, sizeof list), daveResInvalidHandle);
}

}  // namespace
}  // namespace nodave::testing
