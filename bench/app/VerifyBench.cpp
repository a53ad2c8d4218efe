// --verify of the largest channel map the channel tree allows (inputs,
// outputs, flags, timers and counters with 256 channels each, 255 data
// blocks of 4,091 offsets: 1,044,485 channels, a 9 MB file) against the
// emulator serving all of it on loopback: the whole process's time and peak
// memory beside those of an empty map, and the read items the reads send
// beside the fewest the negotiated PDU allows.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "bench/common/ProgramRun.h"
#include "config/ConfigFile.h"
#include "plc/NoDaveApi.h"
#include "plc/PlcConnection.h"
#include "plc/PlcReads.h"
#include "tests/plc/nodave/RealIo.h"  // the emulator process

namespace fs = std::filesystem;

namespace {

constexpr int kAreaChannels = 256;
constexpr int kDataBlocks = 255;
constexpr int kDataBlockChannels = 4091;

nodave::testing::EmulatorProcess& Emulator() {
  static std::unique_ptr<nodave::testing::EmulatorProcess> emulator = [] {
    const std::string build =
        "bash " VN_SOURCE_DIR "/tests/peer/build-peer.sh " VN_BUILD_DIR "/peer";
    if (std::system(build.c_str()) != 0) std::abort();
    return std::make_unique<nodave::testing::EmulatorProcess>(
        0, "127.0.0.1", "E=256,A=256,M=256,T=512,Z=512,DB1-255=4091");
  }();
  return *emulator;
}

TConfigInfo EmulatorSettings(const std::string& file) {
  TConfigInfo settings(file);
  settings.Connectiontype = 4;  // ISO over TCP
  settings.IPAddress = "127.0.0.1";
  settings.IPPort = Emulator().port();
  return settings;
}

// A project folder whose drv/ holds the S7 driver and the whole map, or an
// empty one.
class TMapProject {
 public:
  explicit TMapProject(bool whole)
      : FDir(fs::temp_directory_path() /
             ("vn_verify_bench_" + std::to_string(::getpid()) + (whole ? "_whole" : "_empty"))) {
    fs::remove_all(FDir);
    fs::create_directories(FDir / "drv");
    fs::copy_file(fs::path(VN_DEMO_DRV_DIR) / "libs7drv.so", FDir / "drv" / "libs7drv.so");
    TStrings lines{"SPS"};
    for (const char* area : {"E", "A", "M", "T", "Z"}) {
      lines.push_back(std::string("\t") + area);
      for (int a = 0; whole && a < kAreaChannels; ++a) lines.push_back("\t\t" + std::to_string(a));
    }
    lines.push_back("\tDB");
    for (int db = 1; whole && db <= kDataBlocks; ++db) {
      lines.push_back("\t\t" + std::to_string(db));
      for (int a = 0; a < kDataBlockChannels; ++a) lines.push_back("\t\t\t" + std::to_string(a));
    }
    const std::string file = (FDir / "drv" / "libs7drv.CFG").string();
    TStrings fileLines;
    BuildConfigFileLines(EmulatorSettings(file), lines, fileLines);
    WriteTextLinesAtomic(file, fileLines);
  }
  ~TMapProject() {
    std::error_code ignored;
    fs::remove_all(FDir, ignored);
  }
  std::string Dir() const { return FDir.string(); }

 private:
  fs::path FDir;
};

// The peak resident memory of the last child that ended, in MB.
double ChildPeakMb() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_Verify(benchmark::State& state, bool whole) {
  const TMapProject project(whole);
  for (auto _ : state) {
    if (RunProgram({"--dir", project.Dir(), "--verify"}) != 0) {
      state.SkipWithError("--verify failed");
      break;
    }
  }
  // RUSAGE_CHILDREN holds the largest of all children: the whole map's runs
  // come after the empty map's.
  state.counters["peak_MB"] = ChildPeakMb();
}
BENCHMARK_CAPTURE(BM_Verify, empty_map, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Verify, whole_map, true)->Unit(benchmark::kMillisecond)->UseRealTime();

std::vector<TPlcAddress> WholeMap() {
  std::vector<TPlcAddress> addresses;
  for (const std::uint8_t area : {daveInputs, daveOutputs, daveFlags, daveTimer, daveCounter})
    for (std::uint32_t a = 0; a < kAreaChannels; ++a) addresses.push_back({area, 0, a});
  for (std::uint16_t db = 1; db <= kDataBlocks; ++db)
    for (std::uint32_t a = 0; a < kDataBlockChannels; ++a) addresses.push_back({daveDB, db, a});
  return addresses;
}

// Each area and data block needs at least its elements divided by the most
// one item carries: what an answer holds beside its header and the item's.
std::size_t FewestItems(std::size_t pduLength) {
  const auto items = [&](std::uint8_t area, std::size_t elements) {
    const nodave::s7::ReadItem empty{area, 0, 0, 0};
    const std::size_t room = pduLength - nodave::s7::ReadAnswerBytes({&empty, 1});
    const std::size_t perItem = room / (nodave::s7::IsTimerOrCounter(area) ? 2 : 1);
    return (elements + perItem - 1) / perItem;
  };
  std::size_t fewest = 0;
  for (const std::uint8_t area : {daveInputs, daveOutputs, daveFlags, daveTimer, daveCounter})
    fewest += items(area, kAreaChannels);
  return fewest + kDataBlocks * items(daveDB, kDataBlockChannels);
}

void BM_VerifyItems(benchmark::State& state) {
  TPlcConnection connection(0);
  const TConfigInfo settings = EmulatorSettings("bench.CFG");
  if (!connection.OpenInterface(settings) || !connection.ConnectPlc(settings)) {
    state.SkipWithError("no connection to the emulator");
    return;
  }
  daveConnection* dc = connection.Connection();
  const auto pduLength = static_cast<std::size_t>(NoDave().daveGetMaxPDULen(dc));
  const std::vector<TPlcAddress> addresses = WholeMap();
  std::size_t items = 0;
  for (auto _ : state) {
    TPlcAddressReader reader(addresses, pduLength,
                             [dc](const TReadRequest& request, std::vector<TItemAnswer>& answers) {
                               return ReadVarsOn(dc, request, answers);
                             });
    if (reader.Run() != 0) {
      state.SkipWithError("a read failed");
      break;
    }
    items = reader.Outcome().ItemsSent;
    state.counters["requests"] = static_cast<double>(reader.Outcome().RequestsSent);
  }
  state.counters["pdu"] = static_cast<double>(pduLength);
  state.counters["items"] = static_cast<double>(items);
  state.counters["items_per_fewest"] =
      static_cast<double>(items) / static_cast<double>(FewestItems(pduLength));
}
BENCHMARK(BM_VerifyItems)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
