// Channel text of any shape: the parse either succeeds or raises one of the
// layer's errors, and every channel it made is found again by its name as
// the first channel of that name.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <unordered_map>

#include "ConfigFile.h"
#include "HW_Channels.h"
#include "VNErrors.h"

extern "C" const char* __ubsan_default_options() {
  return "halt_on_error=1:print_stacktrace=1";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TStrings lines =
      SplitTextLines(std::string_view(reinterpret_cast<const char*>(data), size));
  TLstChannels channels;
  try {
    channels.ParseChannelText(lines);
  } catch (const EVNError&) {
    // The channels appended before the error stay and must be sound too.
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

  // Freeing the first channel must leave the lookup on the next of that name.
  if (channels.Count() > 0) {
    const std::string name = channels.Channel(0)->Name;
    channels.FreeAt(0);
    TChannel* next = nullptr;
    for (int i = 0; i < channels.Count() && !next; ++i)
      if (channels.Channel(i)->Name == name) next = channels.Channel(i);
    if (channels.FindChannel(name) != next) std::abort();
  }
  return 0;
}
