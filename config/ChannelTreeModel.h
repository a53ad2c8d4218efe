#pragma once
// The channel block of the configuration file as a tree of plain nodes: the
// one place that reads channel-line indentation, decides what a node is
// (area, address, data block number, offset), writes the lines back and
// cleans the tree up the way OK does before the file is saved. The channel
// list, the command line's check and set, and the dialog's tree all work on
// it.
//
// A plant's block holds a million leaves, so a node is a small fixed record
// and its text a view into one buffer that holds the block's bytes as read;
// texts given later are appended to that buffer.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/VNUtils.h"

// Whether a node's text names a data block: it holds a "D" or "d". Below an
// area that does, the entries one level down are data block numbers and the
// deeper ones offsets; below any other area they are addresses.
bool NamesDataBlock(std::string_view text);

enum class TChannelNodeKind : std::uint8_t {
  Top,        // level 0: the "SPS" root or a foreign top-level node
  Area,       // level 1: E, A, M, T, Z, DB
  Address,    // level 2 and deeper below an area that names no data block
  DataBlock,  // level 2 below an area that names a data block
  Offset,     // level 3 and deeper below an area that names a data block
};

// What an entry at level (2 or deeper) below the area with text areaText is.
TChannelNodeKind ChannelNodeKindAt(std::string_view areaText, int level);

// Nodes are named by their index in the model; an index stays valid while
// the node lives, whatever is inserted or removed elsewhere.
using TNodeId = std::uint32_t;
inline constexpr TNodeId kNoNode = UINT32_MAX;

// Answers whether the channel of an address path ("SPS;E;5") is used by a
// hardware block, and so must neither change nor go.
using TUsedChannelLookup = std::function<bool(std::string_view path)>;

class TChannelTreeModel {
 public:
  TChannelTreeModel() = default;

  // The block's lines, each ending at CR LF, lone CR or lone LF (a last
  // line may lack its end); the model keeps bytes as its text buffer. One
  // leading TAB or blank per level; the first line and an empty line are
  // top-level nodes. A line more than one level deeper than the line before
  // raises ETreeLevelError "Ungültige Ebene (%d) für Eintrag "%s"" (in the
  // user's language).
  static TChannelTreeModel FromBytes(std::string bytes);
  static TChannelTreeModel FromLines(const TStrings& lines);

  // The tree in pre-order, one TAB per level.
  TStrings Lines() const;
  // The same, each line followed by lineEnd, appended to out.
  void AppendText(std::string& out, std::string_view lineEnd) const;
  std::size_t LineCount() const { return FLiveCount; }

  // OK's clean-up: marks the used channels (lookup may be empty: none is
  // used), guarantees the first top-level "SPS" (appending it with the six
  // areas when there is none), and removes every other top-level node that
  // holds no used channel; the block's trailing empty line goes with them.
  // Returns whether it added or removed a node.
  bool CleanUp(const TUsedChannelLookup& lookup);
  // Sets the used marker of every leaf at level 2 or deeper whose text has
  // no check marker ("<") and whose path lookup reports used.
  void MarkUsedChannels(const TUsedChannelLookup& lookup);

  // Navigation. kNoNode as parent stands for the invisible root above the
  // top-level nodes.
  const std::vector<TNodeId>& Children(TNodeId parent) const;
  TNodeId Parent(TNodeId node) const { return FNodes[node].Parent; }
  // The node's index among its parent's children.
  int Row(TNodeId node) const;
  // The number of ancestors (walked up: the record keeps no level).
  int Level(TNodeId node) const;
  TChannelNodeKind Kind(TNodeId node) const;
  std::string_view Text(TNodeId node) const;
  bool Used(TNodeId node) const { return FNodes[node].Used != 0; }
  // The ancestor at level 1, or kNoNode for a top-level node.
  TNodeId AreaOf(TNodeId node) const;
  // Texts of the ancestors from the top, each followed by ";" ("SPS;E;").
  std::string PathPrefix(TNodeId node) const;
  // The address path: prefix and own text.
  std::string Path(TNodeId node) const { return PathPrefix(node) + std::string(Text(node)); }

  // Editing.
  void SetText(TNodeId node, std::string_view text);
  void SetUsed(TNodeId node, bool used) { FNodes[node].Used = used ? 1 : 0; }
  // A new childless node with text at row of parent's children.
  TNodeId Insert(TNodeId parent, int row, std::string_view text);
  // Removes node and its subtree.
  void Remove(TNodeId node);

  // Calls visit(node, level) for every node in pre-order; no recursion,
  // whatever the depth.
  void ForEachPreOrder(const std::function<void(TNodeId, int)>& visit) const;

 private:
  // 16 bytes per node; a text is at most 1 GiB (the file at most 64 MiB).
  struct TNode {
    std::uint32_t TextStart = 0;
    std::uint32_t TextSize : 30 = 0;
    std::uint32_t Used : 1 = 0;
    std::uint32_t Alive : 1 = 1;
    TNodeId Parent = kNoNode;
    // Index into FChildLists; leaves have none.
    std::uint32_t ChildList = kNoNode;
  };

  void AddParsedLine(std::string_view line, bool first, std::vector<TNodeId>& lastAtLevel);
  TNodeId AddNode(TNodeId parent, std::uint32_t textStart, std::size_t textSize);
  std::vector<TNodeId>& ChildrenOf(TNodeId parent);
  bool HasUsedChannel(TNodeId node) const;

  std::string FBuffer;
  std::vector<TNode> FNodes;
  std::vector<TNodeId> FTopLevel;
  std::vector<std::vector<TNodeId>> FChildLists;
  std::size_t FLiveCount = 0;
};
