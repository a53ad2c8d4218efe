#include "support/VNUtils.h"

#include <array>
#include <limits>

#include "support/TextCodec.h"
#include "support/VNErrors.h"

namespace {

// Blanks and control characters: every byte up to and including the blank.
bool IsTrimmed(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

bool IsDecimalDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The parsed separator argument: which bytes separate, and how many of them
// in a row make one separator.
struct TSeparatorRule {
  std::array<bool, 256> InSet{};
  std::size_t RunLength = 1;

  bool Contains(char c) const { return InSet[static_cast<unsigned char>(c)]; }
};

// The set ends at the first character seen twice; a digit right after that
// repetition is the run length. Without a repetition, or without a digit,
// one separator character is enough.
TSeparatorRule ParseSeparators(std::string_view separators) {
  TSeparatorRule rule;
  for (std::size_t i = 0; i < separators.size(); ++i) {
    const char c = separators[i];
    if (rule.Contains(c)) {
      if (i + 1 < separators.size() && IsDecimalDigit(separators[i + 1]))
        rule.RunLength = static_cast<std::size_t>(separators[i + 1] - '0');
      break;
    }
    rule.InSet[static_cast<unsigned char>(c)] = true;
  }
  return rule;
}

// Position where the first complete separator run at or after `from` starts,
// or npos. Inside double quotes (when quoted) set characters are ordinary.
std::size_t FindSeparatorRun(std::string_view text, std::size_t from, const TSeparatorRule& rule,
                             bool quoted) {
  if (rule.RunLength == 0) return std::string_view::npos;  // N = 0: never cut
  std::size_t run = 0;
  bool insideQuotes = false;
  for (std::size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted && c == '"') {
      insideQuotes = !insideQuotes;
      run = 0;
      continue;
    }
    if (!insideQuotes && rule.Contains(c)) {
      if (++run == rule.RunLength) return i + 1 - run;
    } else {
      run = 0;
    }
  }
  return std::string_view::npos;
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::string TrimText(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsTrimmed(text[first])) ++first;
  while (last > first && IsTrimmed(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

int SplitText(std::string_view text, TStrings* list, std::string_view separators, bool quoted) {
  if (text.empty()) return 0;
  const TSeparatorRule rule = ParseSeparators(separators);
  int pieces = 0;
  bool endedWithSeparator = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t runStart = FindSeparatorRun(text, pos, rule, quoted);
    const std::size_t pieceEnd = runStart == std::string_view::npos ? text.size() : runStart;
    if (list) list->emplace_back(text.substr(pos, pieceEnd - pos));
    ++pieces;
    if (runStart == std::string_view::npos) break;
    pos = runStart + rule.RunLength;
    endedWithSeparator = pos >= text.size();
  }
  // A trailing separator closes an empty last piece; callers see it in the
  // list but the count leaves it out.
  if (endedWithSeparator && list) list->emplace_back();
  return pieces;
}

int SplitTextTrimmed(std::string_view text, TStrings* list, std::string_view separators,
                     bool quoted) {
  const int pieces = SplitText(text, list, separators, quoted);
  if (!list) return pieces;
  for (std::string& item : *list) item = TrimText(item);
  return static_cast<int>(list->size());
}

int SplitToList(std::string_view text, TStrings* list, std::string_view separators, bool quoted) {
  TStrings scratch;
  TStrings& target = list ? *list : scratch;
  const std::size_t before = target.size();
  SplitTextTrimmed(text, &target, separators, quoted);
  // Only the items this call appended are filtered; earlier ones stay.
  std::size_t kept = before;
  for (std::size_t i = before; i < target.size(); ++i) {
    if (target[i].empty()) continue;
    std::string item = quoted ? Unquote(target[i]) : std::move(target[i]);
    target[kept++] = std::move(item);
  }
  target.resize(kept);
  return static_cast<int>(target.size());
}

std::string Unquote(std::string_view text) {
  std::string trimmed = TrimText(text);
  if (trimmed.empty() || trimmed.front() != '"' || trimmed.back() != '"') return trimmed;
  if (trimmed.size() == 1) return {};  // a lone quote opens and closes nothing
  return TrimText(std::string_view(trimmed).substr(1, trimmed.size() - 2));
}

namespace {

// The conversion of TryStrToInt, and whether a failure was only the
// number's size (every character of the text belongs to the number).
struct TConversion {
  std::optional<std::int32_t> Value;
  bool TooLarge = false;
};

TConversion Convert(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= text.size()) return {};  // no digits at all

  // Decimal must fit the signed range; hexadecimal may use all 32 bits (as
  // "$FFFFFFFF" for -1), as the classic conversion allows.
  const std::uint64_t limit =
      hex ? 0xFFFFFFFFull
          : (negative ? 0x80000000ull
                      : static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()));
  std::uint64_t value = 0;
  bool tooLarge = false;
  for (; i < text.size(); ++i) {
    const int digit = hex ? HexDigitValue(text[i]) : (IsDecimalDigit(text[i]) ? text[i] - '0' : -1);
    if (digit < 0) return {};
    if (tooLarge) continue;  // only whether the rest are digits still counts
    value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    tooLarge = value > limit;
  }
  if (tooLarge) return {std::nullopt, true};
  const auto bits = static_cast<std::uint32_t>(value);
  const std::uint32_t signedBits = negative ? 0u - bits : bits;
  return {static_cast<std::int32_t>(signedBits)};
}

}  // namespace

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
  return Convert(text).Value;
}

bool IsBeyondInt32(std::string_view text) {
  return Convert(text).TooLarge;
}

std::int32_t StrToInt(std::string_view text) {
  if (auto value = TryStrToInt(text)) return *value;
  // Long garbage would drown the message; the start is enough to find it.
  throw EConvertError("'" + MessageExcerpt(text) + "' is not a valid integer value");
}
