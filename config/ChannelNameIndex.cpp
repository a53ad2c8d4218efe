#include "config/ChannelNameIndex.h"

#include <functional>
#include <string>
#include <utility>

#include "config/Channel.h"

namespace {
std::size_t NameHash(std::string_view name) {
  return std::hash<std::string_view>{}(name);
}
}  // namespace

void TChannelNameIndex::Clear() {
  FSlots.clear();
  FCount = 0;
}

void TChannelNameIndex::AddIfFirst(TChannel* channel) {
  if ((FCount + 1) * 2 > FSlots.size()) Grow();
  const std::size_t hash = NameHash(channel->Name);
  std::size_t i = Home(hash);
  for (; FSlots[i].Channel; i = (i + 1) & (FSlots.size() - 1)) {
    if (FSlots[i].Hash == hash && FSlots[i].Channel->Name == channel->Name) return;
  }
  FSlots[i] = {hash, channel};
  ++FCount;
}

TChannel* TChannelNameIndex::Find(std::string_view name) const {
  if (FSlots.empty()) return nullptr;
  const std::size_t hash = NameHash(name);
  for (std::size_t i = Home(hash); FSlots[i].Channel; i = (i + 1) & (FSlots.size() - 1)) {
    if (FSlots[i].Hash == hash && FSlots[i].Channel->Name == name) return FSlots[i].Channel;
  }
  return nullptr;
}

bool TChannelNameIndex::Remove(const TChannel* channel) {
  if (FSlots.empty()) return false;
  for (std::size_t i = Home(NameHash(channel->Name)); FSlots[i].Channel;
       i = (i + 1) & (FSlots.size() - 1)) {
    if (FSlots[i].Channel == channel) {
      EraseSlot(i);
      return true;
    }
  }
  // Not where its name leads: either a later twin (never indexed) or a
  // channel renamed against the rules. Make sure no slot keeps it alive.
  for (std::size_t i = 0; i < FSlots.size(); ++i) {
    if (FSlots[i].Channel == channel) {
      EraseSlot(i);
      return true;
    }
  }
  return false;
}

// Doubles the table; entries move by their stored hash, names are not read.
void TChannelNameIndex::Grow() {
  const std::size_t size = std::max<std::size_t>(16, FSlots.size() * 2);
  const std::vector<TSlot> old = std::exchange(FSlots, std::vector<TSlot>(size));
  for (const TSlot& slot : old) {
    if (!slot.Channel) continue;
    std::size_t i = Home(slot.Hash);
    while (FSlots[i].Channel) i = (i + 1) & (FSlots.size() - 1);
    FSlots[i] = slot;
  }
}

// Linear probing without tombstones: entries behind the hole that could
// live in it move back, so every probe chain stays unbroken.
void TChannelNameIndex::EraseSlot(std::size_t hole) {
  const std::size_t mask = FSlots.size() - 1;
  for (std::size_t j = (hole + 1) & mask; FSlots[j].Channel; j = (j + 1) & mask) {
    const std::size_t home = Home(FSlots[j].Hash);
    // The entry at j may fill the hole unless its home lies cyclically in (hole, j].
    const bool homeBetween = hole < j ? (home > hole && home <= j) : (home > hole || home <= j);
    if (!homeBetween) {
      FSlots[hole] = FSlots[j];
      hole = j;
    }
  }
  FSlots[hole] = {};
  --FCount;
}
