// What the program does between Qt's start and the dialog on screen, with 20
// driver libraries in drv/: load, describe, open, close and unload every
// driver, pick the S7 driver, create the card over its configuration file,
// and build the dialog.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "app/HWConfiguratorClass.h"
#include "plc/Card.h"
#include "ui/NoDave_ConfigDlg.h"

namespace fs = std::filesystem;

namespace {

constexpr int DriverCount = 20;

// A drv/ folder with 19 other drivers and the S7 driver sorted last, so that
// every library is loaded and examined before the match.
class TDriverFolder {
 public:
  TDriverFolder() : FDir(fs::temp_directory_path() / "vn_startup_bench") {
    fs::remove_all(FDir);
    fs::create_directories(FDir / "drv");
    const fs::path built = fs::path(VN_DEMO_DRV_DIR);
    for (int i = 0; i < DriverCount - 1; ++i)
      fs::copy_file(built / "libdigio.so",
                    FDir / "drv" / ("libdrv" + std::to_string(i + 10) + ".so"));
    fs::copy_file(built / "libs7drv.so", FDir / "drv" / "libzz_s7drv.so");
    FPrevious = fs::current_path();
    fs::current_path(FDir);
  }
  ~TDriverFolder() {
    std::error_code ignored;
    fs::current_path(FPrevious, ignored);
    fs::remove_all(FDir, ignored);
  }

 private:
  fs::path FDir;
  fs::path FPrevious;
};

void BM_StartupToDialog(benchmark::State& state) {
  TDriverFolder folder;
  for (auto _ : state) {
    THWConfigClass configurator(nullptr);
    configurator.Card().LoadConfig();
    TConfigDlg dialog(nullptr, configurator.Card().Settings(), &configurator.Card());
    benchmark::DoNotOptimize(&dialog);
  }
}
BENCHMARK(BM_StartupToDialog)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
