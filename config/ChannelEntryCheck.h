#pragma once
// The check of channel entries (addresses, data block numbers, offsets) the
// tree editor runs on every entry of a level it edits, and the command line
// runs on every channel line of a file. A refused entry keeps its text and
// gets a marker appended.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "config/ChannelTreeModel.h"
#include "support/VNUtils.h"

// The entry without the markers of earlier checks: upper case, cut before
// its first "<".
std::string CleanChannelEntry(std::string_view text);

// The marker a clean entry of kind (Address, DataBlock or Offset) gets ("<-- ungültig...", UTF-8),
// or the empty text when the entry is a whole number in the kind's range.
std::string_view ChannelEntryMarker(std::string_view cleanEntry, TChannelNodeKind kind);

struct TRefusedChannelEntry {
  // Index of the entry's line in the tree's pre-order.
  std::size_t Index;
  // The clean entry.
  std::string Entry;
  std::string_view Marker;
};

// Checks every node below the areas (level 2 and deeper) as the tree editor
// checks its entries; the refused ones in line order.
std::vector<TRefusedChannelEntry> CheckChannelLines(const TChannelTreeModel& tree);
std::vector<TRefusedChannelEntry> CheckChannelLines(const TStrings& lines);
