// A configuration file with 100,000 channel leaves below 255 data blocks:
// reading it and building the channel list, and looking every channel up by
// its path as the channel tree does for each node.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>

#include "bench/common/BigConfigFile.h"
#include "config/ChannelTreeModel.h"
#include "config/ConfigFile.h"
#include "config/HW_Channels.h"

namespace {

constexpr int kLeaves = kBigFileLeaves;

struct TBigFile {
  std::string Path;
  TStrings ChannelPaths;  // "SPS;DB;n;a" of every leaf, in file order
};

const TBigFile& BigFile() {
  static const TBigFile file = [] {
    TBigFile f;
    f.Path = (std::filesystem::temp_directory_path() /
              ("vn_config_bench_" + std::to_string(::getpid()) + ".CFG"))
                 .string();
    WriteBigConfigFile(f.Path, &f.ChannelPaths);
    return f;
  }();
  return file;
}

void BM_LoadConfigAndParseChannels(benchmark::State& state) {
  const TBigFile& file = BigFile();
  for (auto _ : state) {
    TConfigInfo config(file.Path);
    TStrings fileLines;
    TStrings channelLines;
    TTextEncoding encoding;
    LoadConfigFile(file.Path, config, fileLines, channelLines, encoding);
    TLstChannels channels;
    channels.ParseChannelText(channelLines);
    if (channels.Count() != kLeaves) state.SkipWithError("wrong channel count");
    benchmark::DoNotOptimize(channels.Count());
  }
}
BENCHMARK(BM_LoadConfigAndParseChannels)->Unit(benchmark::kMillisecond);

// Each round starts from a freshly parsed list, so the time includes
// building the name index on the first lookup.
void BM_FindEveryChannel(benchmark::State& state) {
  const TBigFile& file = BigFile();
  TConfigInfo config(file.Path);
  TStrings fileLines;
  TStrings channelLines;
  TTextEncoding encoding;
  LoadConfigFile(file.Path, config, fileLines, channelLines, encoding);
  for (auto _ : state) {
    state.PauseTiming();
    auto channels = std::make_unique<TLstChannels>();
    channels->ParseChannelText(channelLines);
    state.ResumeTiming();
    for (std::size_t i = 0; i < file.ChannelPaths.size(); ++i) {
      // Paths are unique here, so the first match is the channel of that line.
      if (channels->FindChannel(file.ChannelPaths[i]) != channels->Channel(static_cast<int>(i))) {
        state.SkipWithError("lookup found another channel");
        break;
      }
    }
    state.PauseTiming();
    channels.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FindEveryChannel)->Unit(benchmark::kMillisecond);

// The card's reading of a plant's file of a million leaves: settings and
// the channel block as a tree, no channel list.
const std::string& MillionLeafFile() {
  static const std::string path = [] {
    const std::string p = (std::filesystem::temp_directory_path() /
                           ("vn_config_bench_million_" + std::to_string(::getpid()) + ".CFG"))
                              .string();
    WriteBigConfigFile(p, nullptr, kMillionFileLeaves);
    return p;
  }();
  return path;
}

void BM_LoadMillionLeafTree(benchmark::State& state) {
  const std::string& path = MillionLeafFile();
  for (auto _ : state) {
    TConfigInfo config(path);
    TChannelTreeModel channels;
    std::optional<std::size_t> blockStart;
    TTextEncoding encoding;
    LoadConfigFile(path, config, channels, blockStart, encoding);
    if (channels.LineCount() != kMillionFileLeaves + 7 + kBigFileDataBlocks + 1)
      state.SkipWithError("wrong line count");
    benchmark::DoNotOptimize(channels.LineCount());
  }
}
BENCHMARK(BM_LoadMillionLeafTree)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove(BigFile().Path);
  std::filesystem::remove(MillionLeafFile());
  return 0;
}
