// The text codec on any bytes: the UTF-8 check agrees with re-encoding,
// Windows-1252 goes to UTF-8 and back unchanged, and a message excerpt is
// valid UTF-8 of bounded length.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "support/TextCodec.h"

extern "C" const char* __ubsan_default_options() {
  return "halt_on_error=1:print_stacktrace=1";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Every byte sequence is Windows-1252 text, and its UTF-8 form comes back.
  const std::string utf8 = Windows1252ToUtf8(bytes);
  if (!IsValidUtf8(utf8)) std::abort();
  const auto back = Utf8ToWindows1252(utf8);
  if (!back || *back != bytes) std::abort();

  // Valid UTF-8 that Windows-1252 can hold gives bytes that decode to it.
  if (const auto narrowed = Utf8ToWindows1252(bytes)) {
    if (!IsValidUtf8(bytes) || Windows1252ToUtf8(*narrowed) != bytes) std::abort();
  }

  const std::string excerpt = MessageExcerpt(bytes);
  if (!IsValidUtf8(excerpt) || excerpt.size() > 4 * kExcerptLength + 3) std::abort();

  std::string_view text = bytes;
  if (StartsWithUtf8Bom(text)) text.remove_prefix(kUtf8Bom.size());
  (void)DetectEncoding(text);
  return 0;
}
