#pragma once
// Text splitter and the whole-number conversion the configuration data use.
// No Qt: the data layer builds on this alone.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using TStrings = std::vector<std::string>;

// Cuts text into pieces at separator runs and appends them to list (may be
// null). Separators: the set is read up to the first repeated character; a
// digit after that repetition is the run length N (default 1, 0 = never cut).
// Returns the number of pieces, not counting the empty last piece a trailing
// separator adds.
int SplitText(std::string_view text, TStrings* list, std::string_view separators, bool quoted);
// SplitText, then trims every item of list; returns list's size.
int SplitTextTrimmed(std::string_view text, TStrings* list, std::string_view separators,
                     bool quoted);
// SplitTextTrimmed, drops the empty items this call added and, when quoted,
// unquotes the rest; returns list's size.
int SplitToList(std::string_view text, TStrings* list, std::string_view separators, bool quoted);
// Trims, then removes one pair of enclosing double quotes.
std::string Unquote(std::string_view text);

// Removes leading and trailing blanks and control characters (bytes <= 0x20).
std::string TrimText(std::string_view text);

// Whether a and b are equal when the letters A-Z count as a-z (the file's
// keys and markers; other bytes compare as they are).
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Whole-number conversion: optional leading blanks, an optional sign, then
// decimal digits, or hexadecimal digits behind "$", "x", "X", "0x" or "0X".
// Anything else (empty text, trailing characters, more than 32 bits) fails.
std::optional<std::int32_t> TryStrToInt(std::string_view text);
// Whether TryStrToInt refuses text only because its number needs more than
// 32 bits.
bool IsBeyondInt32(std::string_view text);
// The same, raising EConvertError with the text on failure.
std::int32_t StrToInt(std::string_view text);
