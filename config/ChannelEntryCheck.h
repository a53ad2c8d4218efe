#pragma once
// The check of channel entries (addresses, data block numbers, offsets) the
// tree editor runs on every entry of a level it edits, and the command line
// runs on every channel line of a file. A refused entry keeps its text and
// gets a marker appended.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "VNUtils.h"

enum class TChannelEntryKind {
  // An address under E, A, M, T or Z (any area whose text has no "D").
  Address,
  // A data block number under DB.
  DataBlock,
  // An offset below a data block number.
  Offset,
};

// What an entry at level (root 0, areas 1) below the area with text
// areaText is: a "D" in the area's text (letter case counts) makes level 2
// data block numbers and deeper levels offsets.
TChannelEntryKind ChannelEntryKindAt(std::string_view areaText, int level);

// The entry without the markers of earlier checks: upper case, cut before
// its first "<".
std::string CleanChannelEntry(std::string_view text);

// The marker a clean entry of kind gets ("<-- ungültig...", UTF-8), or the
// empty text when the entry is a whole number in the kind's range.
std::string_view ChannelEntryMarker(std::string_view cleanEntry, TChannelEntryKind kind);

struct TRefusedChannelEntry {
  // Index into the checked lines.
  std::size_t Index;
  // The clean entry.
  std::string Entry;
  std::string_view Marker;
};

// Checks every line below the areas (level 2 and deeper; each leading TAB or
// blank counts one level) as the tree editor checks its entries; the refused
// ones in line order.
std::vector<TRefusedChannelEntry> CheckChannelLines(const TStrings& lines);
