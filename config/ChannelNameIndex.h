#pragma once
// The card's lookup of channels by name.
#include <cstddef>
#include <string_view>
#include <vector>

class TChannel;

// Channels by Name, holding the first channel of each name only. Open
// addressing over the channels' own names (no copies), so that looking up
// every channel of a large list stays linear overall and cache-friendly.
class TChannelNameIndex {
 public:
  void Clear();
  // Adds channel unless a channel of the same name is indexed already.
  void AddIfFirst(TChannel* channel);
  // Forgets channel; true when it was the indexed one of its name.
  bool Remove(const TChannel* channel);
  TChannel* Find(std::string_view name) const;

 private:
  struct TSlot {
    std::size_t Hash = 0;
    TChannel* Channel = nullptr;
  };
  std::size_t Home(std::size_t hash) const { return hash & (FSlots.size() - 1); }
  void Grow();
  void EraseSlot(std::size_t index);

  std::vector<TSlot> FSlots;
  std::size_t FCount = 0;
};
