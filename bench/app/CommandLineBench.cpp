// The command line's --show and --check as whole processes, the way a script
// runs them: start, find the S7 driver, read the configuration file with
// 100,000 or a million channel leaves, print, end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "bench/common/BigConfigFile.h"
#include "bench/common/ProgramRun.h"

namespace fs = std::filesystem;

namespace {

// A project folder whose drv/ holds the S7 driver and a big file of leaves.
class TBigProject {
 public:
  explicit TBigProject(int leaves)
      : FDir(fs::temp_directory_path() / ("vn_command_line_bench_" + std::to_string(::getpid()) +
                                          "_" + std::to_string(leaves))) {
    fs::remove_all(FDir);
    fs::create_directories(FDir / "drv");
    fs::copy_file(fs::path(VN_DEMO_DRV_DIR) / "libs7drv.so", FDir / "drv" / "libs7drv.so");
    WriteBigConfigFile((FDir / "drv" / "libs7drv.CFG").string(), nullptr, leaves);
  }
  ~TBigProject() {
    std::error_code ignored;
    fs::remove_all(FDir, ignored);
  }
  const fs::path& Dir() const { return FDir; }

 private:
  fs::path FDir;
};

void BM_CommandLine(benchmark::State& state, const char* mode, int leaves) {
  static const TBigProject big(kBigFileLeaves);
  static const TBigProject million(kMillionFileLeaves);
  const TBigProject& project = leaves == kBigFileLeaves ? big : million;
  for (auto _ : state) {
    if (RunProgram({"--dir", project.Dir().string(), mode}) != 0) {
      state.SkipWithError("the program failed");
      break;
    }
  }
}
BENCHMARK_CAPTURE(BM_CommandLine, show, "--show", kBigFileLeaves)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_CommandLine, check, "--check", kBigFileLeaves)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_CommandLine, show_million, "--show", kMillionFileLeaves)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_CommandLine, check_million, "--check", kMillionFileLeaves)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
