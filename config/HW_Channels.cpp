#include "config/HW_Channels.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>

#include "config/ChannelTreeModel.h"
#include "support/TextCodec.h"
#include "support/VNErrors.h"

const std::array<TDataInfo, 12> DataTypes{{
    {"BYTE", 1},
    {"INT", 2},
    {"WORD", 2},
    {"DINT", 4},
    {"DWORD", 4},
    {"BCD WORD", 2},
    {"BCD DWORD", 4},
    {"S7 REAL", 4},
    {"S5TIME", 2},
    {"TIME", 4},
    {"DATE", 2},
    {"TIME_OF_DAY", 4},
}};

std::array<std::int32_t, 8> GroupCounters{-1, -1, -1, -1, -1, -1, -1, -1};

namespace {

constexpr std::size_t kTimerCounterGroup = 0;  // T and Z channels
constexpr std::size_t kAreaGroup = 2;          // E, A, M and D channels

// Area and address numbers pass through a conversion buffer of this many
// characters; a longer field is no number this layer accepts.
constexpr std::size_t kConversionBufferSize = 200;

std::optional<std::int32_t> ConvertField(std::string_view field) {
  if (field.size() > kConversionBufferSize) return std::nullopt;
  return TryStrToInt(field);
}

// Paths may grow to 16 times the channel block, and always to this much.
constexpr std::size_t kMinPathBudget = std::size_t{64} << 20;

// Into joined, whose storage is reused: a walk over a million channels
// parses them into one scratch channel.
void JoinFields(const TStrings& fields, std::string& joined) {
  joined.clear();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) joined += "; ";
    joined += fields[i];
  }
}

const std::string& Field(const TStrings& fields, std::size_t index) {
  if (index >= fields.size()) RaiseListIndexError(static_cast<int>(index));
  return fields[index];
}

bool IsTrimmed(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

// The Name a path's channel carries: the path cut at every ";", each piece
// trimmed, empty pieces dropped, joined by "; ". The same as splitting with
// SplitToList(";") and joining, without a list per lookup.
std::string NameOfPath(std::string_view path) {
  std::string name;
  name.reserve(path.size() + 8);
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(';', start);
    if (end == std::string_view::npos) end = path.size();
    std::size_t first = start;
    std::size_t last = end;
    while (first < last && IsTrimmed(path[first])) ++first;
    while (last > first && IsTrimmed(path[last - 1])) --last;
    if (first < last) {
      if (!name.empty()) name += "; ";
      name.append(path.substr(first, last - first));
    }
    start = end + 1;
  }
  return name;
}

// Whether SplitToList(text, ";") gives text itself as its only field.
bool IsOneField(std::string_view text) {
  return !text.empty() && !IsTrimmed(text.front()) && !IsTrimmed(text.back()) &&
         text.find(';') == std::string_view::npos;
}

// Walks the tree in pre-order with one path buffer: per level, where its
// node's path ends is all the walk needs. No recursion, whatever the depth.
//
// Every path repeats the texts of its ancestors, so a few huge node texts
// above many leaves would multiply into more memory than the machine has.
// Real channel blocks make paths a few times larger than the block itself;
// past the budget the block is refused instead of exhausting memory.
//
// With WithFields, take also gets the path's fields as SplitToList(path, ";")
// gives them. Splitting at ";" cuts each node text apart on its own, so the
// fields of a node are its parent's followed by its own text's: they are
// kept per level instead of splitting every leaf's whole path again.
template <bool WithFields = false, class F>
void ForEachChannelPath(const TChannelTreeModel& tree, F take) {
  std::size_t blockBytes = 0;
  tree.ForEachPreOrder(
      [&](TNodeId node, int level) { blockBytes += tree.Text(node).size() + level + 1; });
  const std::size_t budget = std::max<std::size_t>(kMinPathBudget, 16 * blockBytes);
  std::size_t emitted = 0;
  std::size_t line = 0;
  std::string path;
  std::vector<std::size_t> pathEnds;
  TStrings fields;
  TStrings nodeFields;
  std::vector<std::size_t> fieldEnds;
  tree.ForEachPreOrder([&](TNodeId node, int level) {
    ++line;
    const auto depth = static_cast<std::size_t>(level);
    pathEnds.resize(depth);
    path.resize(depth == 0 ? 0 : pathEnds.back());
    if (depth > 0) path += ';';
    path += tree.Text(node);
    pathEnds.push_back(path.size());
    if constexpr (WithFields) {
      fieldEnds.resize(depth);
      fields.resize(depth == 0 ? 0 : fieldEnds.back());
      // Split on its own: SplitToList trims every item of the list it fills.
      // A text with no ";" and nothing to trim is its own one field, as
      // nearly every text of a real block is.
      const std::string_view text = tree.Text(node);
      if (IsOneField(text)) {
        fields.emplace_back(text);
      } else {
        nodeFields.clear();
        SplitToList(text, &nodeFields, ";", false);
        std::move(nodeFields.begin(), nodeFields.end(), std::back_inserter(fields));
      }
      fieldEnds.push_back(fields.size());
    }
    if (!tree.Children(node).empty()) return;
    // Leaves at level 3 are data block addresses; leaves at level 2 and
    // below level 3 count only when their parent names no data block.
    const bool yields =
        depth == 3 || ((depth == 2 || depth >= 4) && !NamesDataBlock(tree.Text(tree.Parent(node))));
    if (!yields) return;
    emitted += path.size();
    if (emitted > budget) {
      throw EVNError("The channel block is too large: its channel paths exceed " +
                     std::to_string(budget >> 20) + " MiB (at line " + std::to_string(line) +
                     ", path \"" + MessageExcerpt(path) + "\")");
    }
    if constexpr (WithFields)
      take(path, fields, node, line - 1);
    else
      take(path);
  });
}

}  // namespace

TStrings FlattenChannelTree(const TChannelTreeModel& tree) {
  TStrings pathLines;
  ForEachChannelPath(tree, [&](const std::string& path) { pathLines.push_back(path); });
  return pathLines;
}

TStrings FlattenChannelTree(const TStrings& channelLines) {
  return FlattenChannelTree(TChannelTreeModel::FromLines(channelLines));
}

bool TChannel::ParseFields(const TStrings& fields) {
  JoinFields(fields, Name);
  const std::string& areaField = Field(fields, 1);
  Area = areaField.empty() ? '\0' : areaField.front();

  switch (Area) {
    case 'E':
    case 'A':
    case 'M':
    case 'D':
      GroupIndex = ++GroupCounters[kAreaGroup];
      Kind = 3;
      TypeCode[1] = 1;
      break;
    case 'Z':
      GroupIndex = ++GroupCounters[kTimerCounterGroup];
      Kind = 1;
      TimerCounter = true;
      TypeCode[1] = 5;
      break;
    case 'T':
      GroupIndex = ++GroupCounters[kTimerCounterGroup];
      Kind = 1;
      TimerCounter = true;
      TypeCode[1] = 9;
      break;
    default:
      break;
  }

  std::size_t addressIndex = 2;
  if (areaField == "DB") {
    const std::string& dbField = Field(fields, 2);
    const auto dbNumber = ConvertField(dbField);
    if (!dbNumber) {
      throw EConvertError("Data block number \"" + MessageExcerpt(dbField) + "\" of channel \"" +
                          MessageExcerpt(Name) + "\" is not a valid integer value");
    }
    if (*dbNumber < 0 || *dbNumber > 255) {
      throw ERangeError("Data block number " + std::to_string(*dbNumber) + " of channel \"" +
                        MessageExcerpt(Name) + "\" is outside 0..255");
    }
    DBNumber = static_cast<std::uint8_t>(*dbNumber);
    addressIndex = 3;
  } else {
    DBNumber = 1;
  }

  const auto address = ConvertField(Field(fields, addressIndex));
  if (!address) return false;
  Address = *address;

  FormatMark = 'x';
  StateValue1 = 0;
  StateValue2 = 0;
  IsFree = true;
  StateWord2 = 0;
  ActiveMark = 0;
  return true;
}

TLstChannels::~TLstChannels() {
  ReleaseGroups();
}

void TLstChannels::ParseChannelText(const TStrings& channelLines) {
  ParseChannelText(TChannelTreeModel::FromLines(channelLines));
}

namespace {

// Calls take(channel, index) for every channel the tree defines; index
// counts the channel paths, dropped ones included.
template <class F>
void ParseEachChannel(const TChannelTreeModel& tree, F take) {
  GroupCounters.fill(-1);
  std::size_t pathIndex = 0;
  ForEachChannelPath<true>(
      tree, [&](const std::string& path, const TStrings& fields, TNodeId, std::size_t) {
        const std::size_t k = pathIndex++;
        auto channel = std::make_unique<TChannel>();
        bool parsed = false;
        try {
          parsed = channel->ParseFields(fields);
        } catch (const EListError& e) {
          throw EListError(std::string(e.what()) + ": channel line \"" + MessageExcerpt(path) +
                           "\" has too few fields");
        }
        if (parsed)
          take(std::move(channel), k);  // an address that is no number drops only this channel
      });
}

}  // namespace

void ForEachChannel(const TChannelTreeModel& tree, const TChannelVisit& visit) {
  GroupCounters.fill(-1);
  TChannel channel;
  ForEachChannelPath<true>(
      tree, [&](const std::string& path, const TStrings& fields, TNodeId leaf, std::size_t line) {
        std::string name = std::move(channel.Name);
        channel = TChannel();
        channel.Name = std::move(name);
        bool parsed = false;
        try {
          parsed = channel.ParseFields(fields);
        } catch (const EListError& e) {
          throw EListError(std::string(e.what()) + ": channel line \"" + MessageExcerpt(path) +
                           "\" has too few fields");
        }
        if (parsed) visit(channel, leaf, line);
      });
}

void CheckChannelText(const TChannelTreeModel& tree) {
  ParseEachChannel(tree, [](std::unique_ptr<TChannel>, std::size_t) {});
}

void TLstChannels::ParseChannelText(const TChannelTreeModel& tree) {
  ParseEachChannel(tree, [this](std::unique_ptr<TChannel> channel, std::size_t k) {
    channel->LineIndex = static_cast<std::int32_t>(k);
    AddChannel(std::move(channel));
  });
  FItems.shrink_to_fit();  // no slack in a list of a million
}

bool TLstChannels::IsUsed(std::string_view path) const {
  return ::IsUsed(FindChannel(path));
}

TChannel* TLstChannels::FindChannel(std::string_view path) const {
  if (path.find(';') == std::string_view::npos) return nullptr;
  const std::string name = NameOfPath(path);
  // A path of blanks and ";" only names no channel.
  if (name.empty()) return nullptr;
  return FindByName(name);
}

TChannel* TLstChannels::FindByName(const std::string& name) const {
  if (!FNameIndexBuilt) RebuildNameIndex();
  return FNameIndex.Find(name);
}

void TLstChannels::TakeStateFrom(const TLstChannels& older) {
  for (int i = 0; i < older.Count(); ++i) {
    const TChannel& from = *older.Channel(i);
    TChannel* to = FindByName(from.Name);
    if (!to) continue;
    to->StateWord = from.StateWord;
    to->StateValue1 = from.StateValue1;
    to->StateValue2 = from.StateValue2;
    to->TypeCode = from.TypeCode;
    to->IsFree = from.IsFree;
    to->StateWord2 = from.StateWord2;
    to->ActiveMark = from.ActiveMark;
    to->TimerCounter = from.TimerCounter;
  }
}

void TLstChannels::BuildGroups() {
  ReleaseGroups();  // a second build must not leave stale lists behind
  for (auto& group : TimerCounterGroups) group = std::make_unique<TChannelGroup>();
  for (auto& group : AreaGroups) group = std::make_unique<TChannelGroup>();
  for (const auto& channel : FItems) {
    if (channel->ActiveMark == 0 || channel->IsFree) continue;
    auto& groups = channel->TimerCounter ? TimerCounterGroups : AreaGroups;
    groups[0]->push_back(channel.get());
  }
  FGroupsBuilt = true;
}

void TLstChannels::ReleaseGroups() {
  for (auto& group : TimerCounterGroups) group.reset();
  for (auto& group : AreaGroups) group.reset();
  FGroupsBuilt = false;
}

void TLstChannels::AddChannel(std::unique_ptr<TChannel> channel) {
  Add(std::move(channel));
}

void TLstChannels::ItemAdded(TChannel* channel) {
  if (FNameIndexBuilt) FNameIndex.AddIfFirst(channel);
}

void TLstChannels::ItemRemoving(TChannel* channel) {
  // When the leaving channel is the first of its name, the next one of that
  // name takes its place. The scan costs no more than the removal itself.
  if (FNameIndexBuilt && FNameIndex.Remove(channel)) {
    for (const auto& other : FItems) {
      if (other.get() != channel && other->Name == channel->Name) {
        FNameIndex.AddIfFirst(other.get());
        break;
      }
    }
  }
  auto forget = [channel](std::unique_ptr<TChannelGroup>& group) {
    if (group) std::erase(*group, channel);
  };
  for (auto& group : TimerCounterGroups) forget(group);
  for (auto& group : AreaGroups) forget(group);
}

void TLstChannels::ItemsClearing() {
  FNameIndex.Clear();
  for (auto& group : TimerCounterGroups)
    if (group) group->clear();
  for (auto& group : AreaGroups)
    if (group) group->clear();
}

void TLstChannels::RebuildNameIndex() const {
  FNameIndex.Clear();
  for (const auto& channel : FItems) FNameIndex.AddIfFirst(channel.get());
  FNameIndexBuilt = true;
}
