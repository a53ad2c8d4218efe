#include "config/ChannelEntryCheck.h"

#include <cstdint>
#include <optional>

namespace {

constexpr std::string_view kMarkerNoNumber = "<-- ungültig";
constexpr std::string_view kMarkerDataBlock = "<-- ungültig; nur innerhalb [1..255]";
constexpr std::string_view kMarkerOffset = "<-- ungültig; nur innerhalb [0..4090]";
constexpr std::string_view kMarkerAddress = "<-- ungültig; nur innerhalb [0..255]";

constexpr int kAreaLevel = 1;

struct TEntryRange {
  std::int32_t Min;
  std::int32_t Max;
  std::string_view Marker;
};

TEntryRange RangeOf(TChannelNodeKind kind) {
  switch (kind) {
    case TChannelNodeKind::DataBlock:
      return {1, 255, kMarkerDataBlock};
    case TChannelNodeKind::Offset:
      return {0, 4090, kMarkerOffset};
    default:
      break;
  }
  return {0, 255, kMarkerAddress};
}

}  // namespace

std::string CleanChannelEntry(std::string_view text) {
  std::string clean(text.substr(0, text.find('<')));
  for (char& c : clean)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return clean;
}

std::string_view ChannelEntryMarker(std::string_view cleanEntry, TChannelNodeKind kind) {
  const std::optional<std::int32_t> value = TryStrToInt(cleanEntry);
  if (!value) return kMarkerNoNumber;
  const TEntryRange range = RangeOf(kind);
  return *value < range.Min || *value > range.Max ? range.Marker : std::string_view();
}

std::vector<TRefusedChannelEntry> CheckChannelLines(const TChannelTreeModel& tree) {
  std::vector<TRefusedChannelEntry> refused;
  std::size_t index = 0;
  std::string_view areaText;
  tree.ForEachPreOrder([&](TNodeId node, int level) {
    const std::size_t line = index++;
    if (level == kAreaLevel) areaText = tree.Text(node);
    if (level <= kAreaLevel) return;
    std::string entry = CleanChannelEntry(tree.Text(node));
    const std::string_view marker = ChannelEntryMarker(entry, ChannelNodeKindAt(areaText, level));
    if (!marker.empty()) refused.push_back({line, std::move(entry), marker});
  });
  return refused;
}

std::vector<TRefusedChannelEntry> CheckChannelLines(const TStrings& lines) {
  return CheckChannelLines(TChannelTreeModel::FromLines(lines));
}
