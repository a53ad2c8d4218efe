// Configuration file bytes of any shape (byte-order mark, any encoding):
// reading raises only the layer's errors, and a file written from what was
// read reads back the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/ConfigFile.h"
#include "config/HW_Channels.h"
#include "support/VNErrors.h"

extern "C" const char* __ubsan_default_options() {
  return "halt_on_error=1:print_stacktrace=1";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TTextEncoding encoding = TTextEncoding::Windows1252;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const TStrings fileLines = SplitFileText(input, encoding);
  // A text found to be UTF-8 is so in every line.
  if (encoding == TTextEncoding::Utf8)
    for (const std::string& line : fileLines)
      if (!IsValidUtf8(line)) std::abort();
  TConfigInfo config("/drv/S7DRV.CFG");
  TStrings channelLines;
  try {
    ReadConfigText("/drv/S7DRV.CFG", input, config, channelLines);
  } catch (const EListError&) {
    return 0;  // a start marker without end marker
  }
  TLstChannels channels;
  try {
    channels.ParseChannelText(channelLines);
  } catch (const EVNError&) {
  }

  TStrings written;
  BuildConfigFileLines(config, channelLines, written);
  std::string bytes;
  for (const std::string& line : written) bytes += line + "\r\n";

  TConfigInfo reread("/drv/S7DRV.CFG");
  TStrings rereadChannels;
  ReadConfigText("/drv/S7DRV.CFG", bytes, reread, rereadChannels);
  channelLines.emplace_back();  // the empty line written before the end marker
  if (rereadChannels != channelLines) std::abort();
  TStrings a, b;
  config.SaveToList(a);
  reread.SaveToList(b);
  if (a != b) std::abort();
  return 0;
}
