#include "plc/scan/ScanRange.h"

#include <optional>
#include <variant>

#include "support/Translation.h"

namespace {

// A decimal number of 1 to 3 digits without leading zeros, taken from the
// front of text.
std::optional<unsigned> TakeNumber(std::string_view& text) {
  std::size_t digits = 0;
  while (digits < text.size() && digits < 4 && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits > 3 || (digits > 1 && text[0] == '0')) return std::nullopt;
  unsigned value = 0;
  for (std::size_t i = 0; i < digits; ++i) value = value * 10 + unsigned(text[i] - '0');
  text.remove_prefix(digits);
  return value;
}

std::optional<unsigned> TakeByte(std::string_view& text) {
  const auto value = TakeNumber(text);
  if (!value || *value > 255) return std::nullopt;
  return value;
}

bool TakeChar(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

std::optional<std::uint32_t> TakeAddress(std::string_view& text) {
  std::uint32_t address = 0;
  for (int i = 0; i < 4; ++i) {
    if (i > 0 && !TakeChar(text, '.')) return std::nullopt;
    const auto byte = TakeByte(text);
    if (!byte) return std::nullopt;
    address = (address << 8) | *byte;
  }
  return address;
}

// The range, or why text is none.
std::variant<TScanRange, TRangeRefusal> RangeOf(std::string_view text) {
  const auto address = TakeAddress(text);
  if (!address) return TRangeRefusal::NotARange;
  if (text.empty()) return TScanRange{*address, *address};

  if (TakeChar(text, '/')) {
    const auto prefix = TakeNumber(text);
    if (!prefix || !text.empty() || *prefix > 32) return TRangeRefusal::NotARange;
    if (*prefix < kWidestScanPrefix) return TRangeRefusal::TooLarge;
    const std::uint32_t hostBits = *prefix == 32 ? 0 : (std::uint32_t{0xFFFFFFFF} >> *prefix);
    return TScanRange{*address & ~hostBits, *address | hostBits};
  }
  if (TakeChar(text, '-')) {
    const auto last = TakeByte(text);
    if (!last || !text.empty()) return TRangeRefusal::NotARange;
    const std::uint32_t first = *address & 0xFF;
    if (*last < first) return TRangeRefusal::Reversed;
    return TScanRange{*address, *address - first + *last};
  }
  return TRangeRefusal::NotARange;
}

}  // namespace

TResultOr<TScanRange> ParseScanRange(std::string_view text) {
  const auto range = RangeOf(text);
  if (const auto* why = std::get_if<TRangeRefusal>(&range))
    return TResultOr<TScanRange>::Failed(
        TResult::Failure(TFailure::Value, RangeRefusalText(text, *why)));
  return {{}, std::get<TScanRange>(range)};
}

std::string RangeRefusalText(std::string_view text, TRangeRefusal why) {
  switch (why) {
    case TRangeRefusal::TooLarge:
      return FillIn(Tr("The range \"%s\" is larger than /%d (%d addresses); scan it in parts."),
                    {text, std::to_string(kWidestScanPrefix), std::to_string(kMostScanAddresses)});
    case TRangeRefusal::Reversed:
      return FillIn(Tr("The range \"%s\" ends before it starts."), {text});
    case TRangeRefusal::NotARange:
      break;
  }
  return FillIn(Tr("\"%s\" is no address range: give an IPv4 address, A.B.C.D/NN with NN "
                   "from 16 to 32, or A.B.C.D-E."),
                {text});
}

std::string IPv4Text(std::uint32_t address) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    if (!text.empty()) text += '.';
    text += std::to_string((address >> shift) & 0xFF);
  }
  return text;
}
