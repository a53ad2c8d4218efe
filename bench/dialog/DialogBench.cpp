// The configuration dialog over a configuration with many channel leaves:
// the channel tree alone (load with depths and images, the "SPS" root, the
// full expand and collapse) and the whole dialog built over a real card.
// Sizes 25,000 to 100,000 leaves; the fitted complexity shows that the
// build grows linearly. And the memory one leaf costs while the dialog is open,
// and the dialog opened on a plant's file of a million leaves.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <filesystem>
#include <memory>
#include <string>

#include "BigConfigFile.h"
#include "ChannelItemModel.h"
#include "ChannelTreeEditor.h"
#include "ChannelTreeView.h"
#include "ConfigFile.h"
#include "Hw_Card.h"
#include "NoDave_ConfigDlg.h"

namespace {

constexpr int OffsetsPerBlock = 400;

// "SPS", the five single-level areas with a few addresses, and under DB as
// many data blocks of 400 offsets as leaves asks for.
TStrings ChannelLines(int leaves) {
  TStrings lines{"SPS"};
  for (const char* area : {"E", "A", "M", "T", "Z"}) {
    lines.push_back(std::string("\t") + area);
    for (int address = 0; address < 4; ++address) lines.push_back("\t\t" + std::to_string(address));
  }
  lines.push_back("\tDB");
  for (int block = 1, made = 20; made < leaves; ++block) {
    lines.push_back("\t\t" + std::to_string(block));
    for (int offset = 0; offset < OffsetsPerBlock && made < leaves; ++offset, ++made)
      lines.push_back("\t\t\t" + std::to_string(offset));
  }
  return lines;
}

// A card over a configuration file with the channel lines, in a folder of
// its own that goes with it.
class TCardFixture {
 public:
  explicit TCardFixture(int leaves)
      : FDir(std::filesystem::temp_directory_path() /
             ("vn_dialog_bench_" + std::to_string(leaves))) {
    std::filesystem::create_directories(FDir);
    TStrings file;
    BuildConfigFileLines(TConfigInfo(), ChannelLines(leaves), file);
    WriteTextLinesAtomic((FDir / "libs7drv.CFG").string(), file);
    Card = std::make_unique<TCard>(0, (FDir / "libs7drv.so").string());
    // One channel in every block is used, so that the lookups find channels
    // both free and used.
    for (int i = 0; i < Card->Channels().Count(); i += OffsetsPerBlock)
      Card->Channels().Channel(i)->IsFree = false;
  }
  ~TCardFixture() {
    Card.reset();
    std::filesystem::remove_all(FDir);
  }
  std::unique_ptr<TCard> Card;

 private:
  std::filesystem::path FDir;
};

void BM_ChannelTreeBuild(benchmark::State& state) {
  const int leaves = static_cast<int>(state.range(0));
  TCardFixture fixture(leaves);
  const TChannelTreeModel& channels = fixture.Card->ChannelTree();
  TChannelTreeView tree;
  TChannelTreeEditor editor(
      &tree, [&](std::string_view path) { return fixture.Card->IsChannelUsed(path); });
  for (auto _ : state) {
    TChannelTreeModel cleaned = channels;
    cleaned.CleanUp([&](std::string_view path) { return fixture.Card->Channels().IsUsed(path); });
    editor.LoadChannelTree(std::move(cleaned));
    benchmark::DoNotOptimize(editor.Model()->RefreshImages());
    tree.ExpandAllNodes();
    tree.collapseAll();
  }
  state.SetComplexityN(leaves);
  state.counters["nodes"] = static_cast<double>(channels.LineCount());
}
BENCHMARK(BM_ChannelTreeBuild)
    ->RangeMultiplier(2)
    ->Range(25000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_DialogBuild(benchmark::State& state) {
  const int leaves = static_cast<int>(state.range(0));
  TCardFixture fixture(leaves);
  for (auto _ : state) {
    TConfigDlg dialog(nullptr, fixture.Card->Config(), fixture.Card.get());
    benchmark::DoNotOptimize(dialog.ChannelLines().size());
  }
  state.SetComplexityN(leaves);
}
BENCHMARK(BM_DialogBuild)
    ->RangeMultiplier(2)
    ->Range(25000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// Bytes in use on the heap (glibc's count: Qt's own allocations included).
double HeapInUse() {
  const struct mallinfo2 info = ::mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
}

// What a configuration file costs in memory per channel leaf while the
// dialog is open: the card (file lines, channel lines, channel list) and
// the dialog (its copy of the lines, the channel tree).
void BM_MemoryPerChannelLeaf(benchmark::State& state) {
  const int leaves = static_cast<int>(state.range(0));
  double bytes = 0;
  for (auto _ : state) {
    const double before = HeapInUse();
    TCardFixture fixture(leaves);
    TConfigDlg dialog(nullptr, fixture.Card->Config(), fixture.Card.get());
    bytes = HeapInUse() - before;
    benchmark::DoNotOptimize(dialog.ChannelLines().size());
  }
  state.counters["bytes_per_leaf"] = bytes / leaves;
}
BENCHMARK(BM_MemoryPerChannelLeaf)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The dialog opened on a file, as the program opens it: the card reads the
// file, the dialog is built and shown once. Nobody built the card's channel
// list, so no channel is used, as in the program.
struct TOpenDialog {
  explicit TOpenDialog(const std::filesystem::path& dir)
      : Card(0, (dir / "libs7drv.so").string()), Dialog(nullptr, Card.Config(), &Card) {
    Dialog.show();
    QApplication::processEvents();
  }
  TCard Card;
  TConfigDlg Dialog;
};

// The million-leaf file (255 full data blocks) against an empty one: the
// time to open the dialog on it, and the heap it holds above the empty
// file's while open (the card's model, the dialog's working copy, the view).
void BM_DialogOpenMillion(benchmark::State& state) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / "vn_dialog_bench_million";
  const std::filesystem::path empty =
      std::filesystem::temp_directory_path() / "vn_dialog_bench_empty";
  for (const auto& folder : {dir, empty}) std::filesystem::create_directories(folder);
  WriteBigConfigFile((dir / "libs7drv.CFG").string(), nullptr, kMillionFileLeaves);
  WriteBigConfigFile((empty / "libs7drv.CFG").string(), nullptr, 0);
  double emptyBytes = 0;
  {
    const double before = HeapInUse();
    const TOpenDialog opened(empty);
    emptyBytes = HeapInUse() - before;
  }
  double bytes = 0;
  for (auto _ : state) {
    const double before = HeapInUse();
    const TOpenDialog opened(dir);
    state.PauseTiming();
    bytes = HeapInUse() - before;
    state.ResumeTiming();
  }
  state.counters["MB_above_empty"] = (bytes - emptyBytes) / 1e6;
  for (const auto& folder : {dir, empty}) std::filesystem::remove_all(folder);
}
BENCHMARK(BM_DialogOpenMillion)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
