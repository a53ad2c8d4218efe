// The range of --scan on any text: a range it accepts is never larger than
// a /16, never runs backwards, and its first address reads back as itself.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "plc/scan/ScanRange.h"

extern "C" const char* __ubsan_default_options() {
  return "halt_on_error=1:print_stacktrace=1";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto parsed = ParseScanRange(text);
  if (!parsed.Result) return 0;
  const TScanRange& range = parsed.Value;
  if (range.First > range.Last || range.Count() > 65536) std::abort();
  const auto single = ParseScanRange(IPv4Text(range.First));
  if (!single.Result || single.Value != TScanRange{range.First, range.First}) std::abort();
  return 0;
}
