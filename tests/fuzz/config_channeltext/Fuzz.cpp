// Channel text of any shape: the parse either succeeds or raises one of the
// layer's errors, and every channel it made is found again by its name as
// the first channel of that name.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <unordered_map>

#include "config/ChannelEntryCheck.h"
#include "config/ConfigFile.h"
#include "config/HW_Channels.h"
#include "support/VNErrors.h"

extern "C" const char* __ubsan_default_options() {
  return "halt_on_error=1:print_stacktrace=1";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TStrings lines =
      SplitTextLines(std::string_view(reinterpret_cast<const char*>(data), size));
  // The entry check of --check: every refusal points at a line below the
  // areas and carries a marker.
  try {
    for (const TRefusedChannelEntry& refused : CheckChannelLines(lines))
      if (refused.Index >= lines.size() || refused.Marker.empty()) std::abort();
  } catch (const ETreeLevelError&) {
    // Lines the tree cannot hold are refused as the card refuses them.
  }

  TLstChannels channels;
  try {
    channels.ParseChannelText(lines);
  } catch (const EVNError&) {
    // The channels appended before the error stay and must be sound too.
  }

  // A channel's fields come from its path split at ";": its name is the
  // path's fields joined, whichever way the parse came by them.
  TStrings paths;
  try {
    paths = FlattenChannelTree(lines);
  } catch (const EVNError&) {
    paths.clear();
  }
  for (int i = 0; i < channels.Count() && !paths.empty(); ++i) {
    const TChannel* channel = channels.Channel(i);
    const auto index = static_cast<std::size_t>(channel->LineIndex);
    if (index >= paths.size()) std::abort();
    TStrings fields;
    SplitToList(paths[index], &fields, ";", false);
    std::string name;
    for (const std::string& field : fields) name += (name.empty() ? "" : "; ") + field;
    if (channel->Name != name) std::abort();
  }

  // What a scan in list order finds first, against what the lookup finds.
  std::unordered_map<std::string, TChannel*> first;
  std::int32_t lastLine = -1;
  for (int i = 0; i < channels.Count(); ++i) {
    TChannel* channel = channels.Channel(i);
    first.try_emplace(channel->Name, channel);
    if (channel->LineIndex <= lastLine || !channel->IsFree || channel->FormatMark != 'x')
      std::abort();
    lastLine = channel->LineIndex;
  }
  for (int i = 0; i < channels.Count(); ++i) {
    const TChannel* channel = channels.Channel(i);
    if (channels.FindChannel(channel->Name) != first.at(channel->Name)) std::abort();
  }

  // Every input line taken as a path: the lookup agrees with splitting the
  // path, joining its fields and scanning the list in order.
  for (const std::string& path : lines) {
    const TChannel* expected = nullptr;
    TStrings fields;
    if (path.find(';') != std::string::npos && SplitToList(path, &fields, ";", false) > 0) {
      std::string name;
      for (const std::string& field : fields) name += (name.empty() ? "" : "; ") + field;
      const auto hit = first.find(name);
      if (hit != first.end()) expected = hit->second;
    }
    if (channels.FindChannel(path) != expected) std::abort();
  }

  // Channels leave in an order the input picks; the lookup keeps agreeing
  // with a scan in list order.
  std::size_t pick = size;
  while (channels.Count() > 0) {
    pick = pick * 31 + (size ? data[pick % size] : 0);
    const int index = static_cast<int>(pick % static_cast<std::size_t>(channels.Count()));
    const std::string name = channels.Channel(index)->Name;
    channels.FreeAt(index);
    TChannel* next = nullptr;
    for (int i = 0; i < channels.Count() && !next; ++i)
      if (channels.Channel(i)->Name == name) next = channels.Channel(i);
    if (channels.FindByName(name) != next) std::abort();
  }
  return 0;
}
