#include "config/ChannelTreeModel.h"

#include <algorithm>
#include <array>
#include <utility>

#include "config/TextLines.h"
#include "support/TextCodec.h"
#include "support/Translation.h"
#include "support/VNErrors.h"

namespace {

constexpr std::string_view kPlcRoot = "SPS";
constexpr std::array<std::string_view, 6> kAreaNames{"E", "A", "M", "T", "Z", "DB"};

const std::vector<TNodeId> kNoChildren;

// The number of leading TABs and blanks: the line's level. A line of them
// only is that deep and has the empty text.
std::size_t IndentOf(std::string_view line) {
  std::size_t level = 0;
  while (level < line.size() && (line[level] == '\t' || line[level] == ' ')) ++level;
  return level;
}

}  // namespace

bool NamesDataBlock(std::string_view text) {
  return text.find_first_of("Dd") != std::string_view::npos;
}

TChannelNodeKind ChannelNodeKindAt(std::string_view areaText, int level) {
  if (!NamesDataBlock(areaText)) return TChannelNodeKind::Address;
  return level == 2 ? TChannelNodeKind::DataBlock : TChannelNodeKind::Offset;
}

TChannelTreeModel TChannelTreeModel::FromBytes(std::string bytes) {
  TChannelTreeModel model;
  model.FBuffer = std::move(bytes);
  const std::string_view text = model.FBuffer;
  // One node per line: counted first, so that a block of a million lines
  // costs no slack.
  model.FNodes.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  std::vector<TNodeId> lastAtLevel;
  bool first = true;
  ForEachTextLine(text, [&](std::size_t start, std::size_t size) {
    model.AddParsedLine(text.substr(start, size), first, lastAtLevel);
    first = false;
  });
  return model;
}

TChannelTreeModel TChannelTreeModel::FromLines(const TStrings& lines) {
  std::string bytes;
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 1;
  bytes.reserve(size);
  for (const std::string& line : lines) {
    bytes += line;
    bytes += '\n';
  }
  // Lines holding a line end of their own stay one node each.
  TChannelTreeModel model;
  model.FBuffer = std::move(bytes);
  model.FNodes.reserve(lines.size());
  std::vector<TNodeId> lastAtLevel;
  std::size_t start = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    model.AddParsedLine(std::string_view(model.FBuffer).substr(start, lines[i].size()), i == 0,
                        lastAtLevel);
    start += lines[i].size() + 1;
  }
  return model;
}

void TChannelTreeModel::AddParsedLine(std::string_view line, bool first,
                                      std::vector<TNodeId>& lastAtLevel) {
  std::size_t level = IndentOf(line);
  const std::string_view text = line.substr(level);
  if (first || line.empty()) level = 0;  // both become top-level nodes
  if (level > lastAtLevel.size()) {
    throw ETreeLevelError(FillIn(Tr("Ungültige Ebene (%d) für Eintrag \"%s\""),
                                 {std::to_string(level), MessageExcerpt(text)}));
  }
  const TNodeId parent = level == 0 ? kNoNode : lastAtLevel[level - 1];
  const auto textStart = static_cast<std::uint32_t>(text.data() - FBuffer.data());
  lastAtLevel.resize(level);
  lastAtLevel.push_back(AddNode(parent, textStart, text.size()));
}

TNodeId TChannelTreeModel::AddNode(TNodeId parent, std::uint32_t textStart, std::size_t textSize) {
  const auto id = static_cast<TNodeId>(FNodes.size());
  TNode& node = FNodes.emplace_back();
  node.TextStart = textStart;
  node.TextSize = static_cast<std::uint32_t>(textSize);
  node.Parent = parent;
  ChildrenOf(parent).push_back(id);
  ++FLiveCount;
  return id;
}

std::vector<TNodeId>& TChannelTreeModel::ChildrenOf(TNodeId parent) {
  if (parent == kNoNode) return FTopLevel;
  TNode& node = FNodes[parent];
  if (node.ChildList == kNoNode) {
    node.ChildList = static_cast<std::uint32_t>(FChildLists.size());
    FChildLists.emplace_back();
  }
  return FChildLists[node.ChildList];
}

const std::vector<TNodeId>& TChannelTreeModel::Children(TNodeId parent) const {
  if (parent == kNoNode) return FTopLevel;
  const TNode& node = FNodes[parent];
  return node.ChildList == kNoNode ? kNoChildren : FChildLists[node.ChildList];
}

int TChannelTreeModel::Row(TNodeId node) const {
  const std::vector<TNodeId>& siblings = Children(Parent(node));
  return static_cast<int>(std::find(siblings.begin(), siblings.end(), node) - siblings.begin());
}

int TChannelTreeModel::Level(TNodeId node) const {
  int level = 0;
  for (TNodeId up = Parent(node); up != kNoNode; up = Parent(up)) ++level;
  return level;
}

TNodeId TChannelTreeModel::AreaOf(TNodeId node) const {
  if (Parent(node) == kNoNode) return kNoNode;
  while (Parent(Parent(node)) != kNoNode) node = Parent(node);
  return node;
}

TChannelNodeKind TChannelTreeModel::Kind(TNodeId node) const {
  const TNodeId area = AreaOf(node);
  if (area == kNoNode) return TChannelNodeKind::Top;
  if (area == node) return TChannelNodeKind::Area;
  return ChannelNodeKindAt(Text(area), Parent(node) == area ? 2 : 3);
}

std::string_view TChannelTreeModel::Text(TNodeId node) const {
  return std::string_view(FBuffer).substr(FNodes[node].TextStart, FNodes[node].TextSize);
}

std::string TChannelTreeModel::PathPrefix(TNodeId node) const {
  std::vector<TNodeId> ancestors;
  for (TNodeId up = Parent(node); up != kNoNode; up = Parent(up)) ancestors.push_back(up);
  std::string prefix;
  for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
    prefix += Text(*it);
    prefix += ';';
  }
  return prefix;
}

void TChannelTreeModel::SetText(TNodeId node, std::string_view text) {
  if (Text(node) == text) return;
  // The old text stays in the buffer unused: edits are few.
  FNodes[node].TextStart = static_cast<std::uint32_t>(FBuffer.size());
  FNodes[node].TextSize = static_cast<std::uint32_t>(text.size());
  FBuffer += text;
}

TNodeId TChannelTreeModel::Insert(TNodeId parent, int row, std::string_view text) {
  const auto start = static_cast<std::uint32_t>(FBuffer.size());
  FBuffer += text;
  const TNodeId id = AddNode(parent, start, text.size());
  std::vector<TNodeId>& siblings = ChildrenOf(parent);
  const auto at =
      std::clamp<std::ptrdiff_t>(row, 0, static_cast<std::ptrdiff_t>(siblings.size()) - 1);
  std::rotate(siblings.begin() + at, siblings.end() - 1, siblings.end());
  return id;
}

void TChannelTreeModel::Remove(TNodeId node) {
  std::erase(ChildrenOf(Parent(node)), node);
  std::vector<TNodeId> pending{node};
  while (!pending.empty()) {
    const TNodeId gone = pending.back();
    pending.pop_back();
    FNodes[gone].Alive = 0;
    --FLiveCount;
    for (const TNodeId child : Children(gone)) pending.push_back(child);
    if (FNodes[gone].ChildList != kNoNode)
      std::vector<TNodeId>().swap(FChildLists[FNodes[gone].ChildList]);
  }
}

void TChannelTreeModel::ForEachPreOrder(const std::function<void(TNodeId, int)>& visit) const {
  // (siblings, next index) per level; the next sibling waits below the
  // children of the node visited.
  std::vector<std::pair<const std::vector<TNodeId>*, std::size_t>> stack{{&FTopLevel, 0}};
  while (!stack.empty()) {
    auto& [siblings, next] = stack.back();
    if (next == siblings->size()) {
      stack.pop_back();
      continue;
    }
    const TNodeId node = (*siblings)[next++];
    visit(node, static_cast<int>(stack.size()) - 1);
    const std::vector<TNodeId>& children = Children(node);
    if (!children.empty()) stack.emplace_back(&children, 0);
  }
}

TStrings TChannelTreeModel::Lines() const {
  TStrings lines;
  lines.reserve(FLiveCount);
  ForEachPreOrder([&](TNodeId node, int level) {
    std::string& line = lines.emplace_back(static_cast<std::size_t>(level), '\t');
    line += Text(node);
  });
  return lines;
}

void TChannelTreeModel::AppendText(std::string& out, std::string_view lineEnd) const {
  ForEachPreOrder([&](TNodeId node, int level) {
    out.append(static_cast<std::size_t>(level), '\t');
    out += Text(node);
    out += lineEnd;
  });
}

void TChannelTreeModel::MarkUsedChannels(const TUsedChannelLookup& lookup) {
  std::string path;
  std::vector<std::size_t> prefixEnds;  // per level: where its node's path ends
  ForEachPreOrder([&](TNodeId node, int level) {
    prefixEnds.resize(static_cast<std::size_t>(level));
    path.resize(level == 0 ? 0 : prefixEnds.back());
    if (level > 0) path += ';';
    path += Text(node);
    prefixEnds.push_back(path.size());
    const bool candidate =
        level >= 2 && Children(node).empty() && Text(node).find('<') == std::string_view::npos;
    SetUsed(node, candidate && lookup && lookup(path));
  });
}

bool TChannelTreeModel::HasUsedChannel(TNodeId node) const {
  std::vector<TNodeId> pending{node};
  while (!pending.empty()) {
    const TNodeId item = pending.back();
    pending.pop_back();
    const std::vector<TNodeId>& children = Children(item);
    if (children.empty() && Used(item)) return true;
    pending.insert(pending.end(), children.begin(), children.end());
  }
  return false;
}

bool TChannelTreeModel::CleanUp(const TUsedChannelLookup& lookup) {
  MarkUsedChannels(lookup);
  const auto found = std::find_if(FTopLevel.begin(), FTopLevel.end(),
                                  [this](TNodeId node) { return Text(node) == kPlcRoot; });
  TNodeId plc = found == FTopLevel.end() ? kNoNode : *found;
  bool changed = plc == kNoNode;
  if (plc == kNoNode) {
    plc = Insert(kNoNode, static_cast<int>(FTopLevel.size()), kPlcRoot);
    for (std::size_t i = 0; i < kAreaNames.size(); ++i)
      Insert(plc, static_cast<int>(i), kAreaNames[i]);
  }
  // A foreign top-level node stays only for the used channels in its own
  // subtree; they must not vanish from the file behind the user's back.
  const std::vector<TNodeId> topLevel = FTopLevel;
  for (const TNodeId node : topLevel) {
    if (node == plc || HasUsedChannel(node)) continue;
    Remove(node);
    changed = true;
  }
  return changed;
}
