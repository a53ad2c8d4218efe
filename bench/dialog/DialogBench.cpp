// The configuration dialog over a configuration with many channel leaves:
// the channel tree alone (load with depths and images, the "SPS" root, the
// full expand and collapse) and the whole dialog built over a real card.
// Sizes 25,000 to 100,000 leaves; the fitted complexity shows that the
// build grows linearly. And the memory one leaf costs while the dialog is open,
// and the dialog opened on a plant's file of a million leaves.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QPushButton>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "bench/common/BigConfigFile.h"
#include "config/ConfigFile.h"
#include "plc/Card.h"
#include "ui/ChannelItemModel.h"
#include "ui/ChannelTreeEditor.h"
#include "ui/ChannelTreeView.h"
#include "ui/NoDave_ConfigDlg.h"

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
    Card->LoadConfig();
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
      : Card(0, (dir / "libs7drv.so").string()), Dialog(nullptr, Loaded(Card).Config(), &Card) {
    Dialog.show();
    QApplication::processEvents();
  }
  TCard Card;
  TConfigDlg Dialog;

 private:
  static TCard& Loaded(TCard& card) {
    if (!card.LoadConfig()) std::abort();
    return card;
  }
};

// A folder holding a configuration file of leaves (255 data blocks), gone
// with the object.
class TBigFolder {
 public:
  explicit TBigFolder(int leaves)
      : FDir(std::filesystem::temp_directory_path() /
             ("vn_dialog_bench_big_" + std::to_string(leaves))) {
    std::filesystem::create_directories(FDir);
    WriteBigConfigFile((FDir / "libs7drv.CFG").string(), nullptr, leaves);
  }
  ~TBigFolder() { std::filesystem::remove_all(FDir); }
  const std::filesystem::path& Dir() const { return FDir; }

 private:
  std::filesystem::path FDir;
};

// The million-leaf file (255 full data blocks) against one without leaves:
// the time to open the dialog on it, and the heap it holds above the other
// file's while open (the card's model, the dialog's working copy, the view).
void BM_DialogOpenMillion(benchmark::State& state) {
  const TBigFolder million(kMillionFileLeaves);
  const TBigFolder empty(0);
  double emptyBytes = 0;
  {
    const double before = HeapInUse();
    const TOpenDialog opened(empty.Dir());
    emptyBytes = HeapInUse() - before;
  }
  double bytes = 0;
  std::optional<TOpenDialog> opened;
  for (auto _ : state) {
    const double before = HeapInUse();
    opened.emplace(million.Dir());
    state.PauseTiming();
    bytes = HeapInUse() - before;
    opened.reset();
    state.ResumeTiming();
  }
  state.counters["MB_above_empty"] = (bytes - emptyBytes) / 1e6;
}
BENCHMARK(BM_DialogOpenMillion)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// "Check channels" on the million-leaf file: what the click costs the
// user-interface thread (the copy of the tree the check reads, the window
// shown, the thread started); the check itself runs on the window's thread.
void BM_ChannelCheckClickMillion(benchmark::State& state) {
  const TBigFolder million(kMillionFileLeaves);
  TOpenDialog opened(million.Dir());
  auto* check = opened.Dialog.findChild<QPushButton*>("CheckChannelsBtn");
  for (auto _ : state) check->click();
}
BENCHMARK(BM_ChannelCheckClickMillion)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// One in-place edit of an offset in the million-leaf tree: the offsets of
// its data block are checked again and the pictures brought up to date.
void BM_EditInMillion(benchmark::State& state) {
  const TBigFolder million(kMillionFileLeaves);
  const TOpenDialog opened(million.Dir());
  TChannelTreeEditor& editor = *opened.Dialog.ChannelTree();
  const TChannelTreeModel& channels = editor.Model()->Channels();
  TNodeId node = kNoNode;
  for (const std::string_view text : {"SPS", "DB", "128", "2000"}) {
    const std::vector<TNodeId>& children = channels.Children(node);
    node = *std::find_if(children.begin(), children.end(),
                         [&](TNodeId child) { return channels.Text(child) == text; });
  }
  int typed = 0;
  for (auto _ : state) {
    std::string text = typed++ % 2 == 0 ? "5000" : "2000";  // invalid, then valid again
    editor.TreeView1Edited(editor.Model()->IndexOf(node), text);
  }
}
BENCHMARK(BM_EditInMillion)->Iterations(4)->Unit(benchmark::kMillisecond)->UseRealTime();

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
