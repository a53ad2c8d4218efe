#include "ChannelEntryCheck.h"

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

TEntryRange RangeOf(TChannelEntryKind kind) {
  switch (kind) {
    case TChannelEntryKind::DataBlock:
      return {1, 255, kMarkerDataBlock};
    case TChannelEntryKind::Offset:
      return {0, 4090, kMarkerOffset};
    case TChannelEntryKind::Address:
      break;
  }
  return {0, 255, kMarkerAddress};
}

int LevelOf(const std::string& line) {
  const std::size_t text = line.find_first_not_of("\t ");
  return static_cast<int>(text == std::string::npos ? line.size() : text);
}

}  // namespace

TChannelEntryKind ChannelEntryKindAt(std::string_view areaText, int level) {
  if (areaText.find('D') == std::string_view::npos) return TChannelEntryKind::Address;
  return level == kAreaLevel + 1 ? TChannelEntryKind::DataBlock : TChannelEntryKind::Offset;
}

std::string CleanChannelEntry(std::string_view text) {
  std::string clean(text.substr(0, text.find('<')));
  for (char& c : clean)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return clean;
}

std::string_view ChannelEntryMarker(std::string_view cleanEntry, TChannelEntryKind kind) {
  const std::optional<std::int32_t> value = TryStrToInt(cleanEntry);
  if (!value) return kMarkerNoNumber;
  const TEntryRange range = RangeOf(kind);
  return *value < range.Min || *value > range.Max ? range.Marker : std::string_view();
}

std::vector<TRefusedChannelEntry> CheckChannelLines(const TStrings& lines) {
  std::vector<TRefusedChannelEntry> refused;
  std::string_view areaText;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const std::string& line = lines[index];
    const int level = LevelOf(line);
    const std::string_view text = std::string_view(line).substr(static_cast<std::size_t>(level));
    if (level == kAreaLevel) areaText = text;
    if (level <= kAreaLevel) continue;
    std::string entry = CleanChannelEntry(text);
    const std::string_view marker = ChannelEntryMarker(entry, ChannelEntryKindAt(areaText, level));
    if (!marker.empty()) refused.push_back({index, std::move(entry), marker});
  }
  return refused;
}
