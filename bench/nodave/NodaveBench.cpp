// Connect, set-up, order-code read and disconnect against the emulator on
// loopback: once through the library's C API, once with bare blocking
// sockets doing the same exchange, in the same run. The medians over the
// repetitions are the figures to compare (the library's target: within 1.5
// times the bare figure).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "plc/nodave/nodave.h"
#include "tests/plc/nodave/RealIo.h"  // the emulator process

namespace {

using nodave::testing::EmulatorProcess;

EmulatorProcess& Emulator() {
  static std::unique_ptr<EmulatorProcess> emulator = [] {
    std::string peer = std::string(VN_BUILD_DIR) + "/peer";
    std::string build = "bash " VN_SOURCE_DIR "/tests/peer/build-peer.sh " + peer;
    if (std::system(build.c_str()) != 0) std::abort();
    return std::make_unique<EmulatorProcess>();
  }();
  return *emulator;
}

void LibraryRound(int port, benchmark::State& state) {
  int fd = openSocket(port, "127.0.0.1");
  daveInterface* di = daveNewInterface({fd, fd}, "IF1", 0, daveProtoISOTCP, daveSpeed19k);
  daveInitAdapter(di);
  daveConnection* dc = daveNewConnection(di, 2, 0, 2);
  char code[22] = {};
  if (daveConnectPLC(dc) != 0 || daveGetOrderCode(dc, code) != 0) {
    state.SkipWithError("library exchange failed");
  }
  daveDisconnectPLC(dc);
  daveDisconnectAdapter(di);
  daveFree(dc);
  daveFree(di);
  closePort(fd);
}

bool ReadTpkt(int fd, unsigned char* buf) {
  std::size_t got = 0, want = 4;
  while (got < want) {
    ssize_t n = recv(fd, buf + got, want - got, 0);
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
    if (got == 4) want = static_cast<std::size_t>(buf[2] << 8 | buf[3]);
  }
  return true;
}

void BareRound(int port, benchmark::State& state) {
  static const unsigned char cr[] = {0x03, 0x00, 0x00, 0x16, 0x11, 0xE0, 0x00, 0x00,
                                     0x00, 0x01, 0x00, 0xC0, 0x01, 0x0A, 0xC1, 0x02,
                                     0x01, 0x00, 0xC2, 0x02, 0x01, 0x02};
  static const unsigned char setup[] = {0x03, 0x00, 0x00, 0x19, 0x02, 0xF0, 0x80, 0x32, 0x01,
                                        0x00, 0x00, 0x00, 0x01, 0x00, 0x08, 0x00, 0x00, 0xF0,
                                        0x00, 0x00, 0x01, 0x00, 0x01, 0x01, 0xE0};
  static const unsigned char szl[] = {0x03, 0x00, 0x00, 0x21, 0x02, 0xF0, 0x80, 0x32, 0x07,
                                      0x00, 0x00, 0x00, 0x02, 0x00, 0x08, 0x00, 0x08, 0x00,
                                      0x01, 0x12, 0x04, 0x11, 0x44, 0x01, 0x00, 0xFF, 0x09,
                                      0x00, 0x04, 0x00, 0x11, 0x00, 0x00};
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  unsigned char buf[65536];
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            send(fd, cr, sizeof cr, 0) == sizeof cr && ReadTpkt(fd, buf) &&
            send(fd, setup, sizeof setup, 0) == sizeof setup && ReadTpkt(fd, buf) &&
            send(fd, szl, sizeof szl, 0) == sizeof szl && ReadTpkt(fd, buf) &&
            std::memcmp(buf + 43, "6ES7 315", 8) == 0;
  if (!ok) state.SkipWithError("bare exchange failed");
  close(fd);
}

void BM_NodaveOrderCodeRound(benchmark::State& state) {
  int port = Emulator().port();
  for (auto _ : state) LibraryRound(port, state);
}

void BM_BareSocketOrderCodeRound(benchmark::State& state) {
  int port = Emulator().port();
  for (auto _ : state) BareRound(port, state);
}

// Each repetition is one round, so the median is the median round.
BENCHMARK(BM_BareSocketOrderCodeRound)
    ->Iterations(1)
    ->Repetitions(300)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(BM_NodaveOrderCodeRound)
    ->Iterations(1)
    ->Repetitions(300)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
