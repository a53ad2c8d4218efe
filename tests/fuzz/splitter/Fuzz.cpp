// The splitter and the number conversion on any bytes. First byte: mode;
// then, for the checked mode, a separator character and a run length.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "support/VNUtils.h"

extern "C" const char* __ubsan_default_options() {
  return "halt_on_error=1:print_stacktrace=1";
}

namespace {

std::string Joined(const TStrings& pieces, const std::string& separator) {
  std::string text;
  for (std::size_t i = 0; i < pieces.size(); ++i) text += (i ? separator : "") + pieces[i];
  return text;
}

// With one separator character and a known run length, the pieces joined by
// the run give the text back, and every list item is trimmed.
void CheckOneSeparator(std::string_view input, bool quoted) {
  if (input.size() < 2) return;
  const char separator = input[0];
  const int runLength = static_cast<unsigned char>(input[1]) % 4;
  const std::string_view text = input.substr(2);
  std::string separators(1, separator);
  if (runLength != 1) separators += std::string(1, separator) + char('0' + runLength);

  TStrings pieces;
  const int count = SplitText(text, &pieces, separators, quoted);
  if (text.empty() ? !pieces.empty() || count != 0
                   : count < 1 || pieces.size() < static_cast<std::size_t>(count) ||
                         pieces.size() > static_cast<std::size_t>(count) + 1)
    std::abort();
  if (runLength == 0 && !text.empty() && pieces != TStrings{std::string(text)}) std::abort();
  if (runLength > 0 &&
      Joined(pieces, std::string(static_cast<std::size_t>(runLength), separator)) != text)
    std::abort();

  TStrings items;
  SplitToList(text, &items, separators, quoted);
  for (const std::string& item : items)
    if (TrimText(item) != item || (!quoted && item.empty())) std::abort();
}

// Plain decimal texts short enough for a 64-bit reference conversion.
void CheckDecimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::size_t digits = i + (i < text.size() && (text[i] == '+' || text[i] == '-'));
  const std::size_t firstDigit = digits;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits != text.size() || digits == firstDigit || digits - firstDigit > 18) return;
  const long long reference = std::stoll(std::string(text.substr(i)));
  const auto value = TryStrToInt(text);
  const bool fits = reference >= INT32_MIN && reference <= INT32_MAX;
  if (fits != value.has_value() || (fits && *value != reference)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const unsigned mode = data[0];
  const bool quoted = mode & 1;
  switch ((mode >> 1) % 3) {
    case 0:
      CheckOneSeparator(input, quoted);
      break;
    case 1: {
      // Any separator argument: the first bytes up to a NUL, the rest is text.
      const std::size_t cut = std::min(input.find('\0'), input.size());
      const std::string_view text = cut < input.size() ? input.substr(cut + 1) : std::string_view{};
      TStrings list;
      SplitToList(text, &list, input.substr(0, cut), quoted);
      Unquote(input);
      break;
    }
    default:
      CheckDecimal(input);
      (void)TryStrToInt(input);
      break;
  }
  return 0;
}
