#pragma once
// The text encodings a configuration file comes in: UTF-8 (with or without
// a byte-order mark) and the Windows-1252 code page of the suite's Windows
// installations. No Qt: the data layer and the fuzz targets use it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class TTextEncoding {
  Utf8,         // the whole file is valid UTF-8 (plain ASCII included)
  Windows1252,  // anything else: every byte is one character
};

// The UTF-8 byte-order mark some Windows editors put at the start.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Whether bytes start with kUtf8Bom.
bool StartsWithUtf8Bom(std::string_view bytes);

// Whether bytes are well-formed UTF-8: shortest forms only, no surrogates,
// nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// The encoding a file's bytes (byte-order mark already removed) are read in.
TTextEncoding DetectEncoding(std::string_view bytes);

// The character a Windows-1252 byte stands for. The five bytes the code page
// leaves undefined (81, 8D, 8F, 90, 9D) stand for the control characters of
// the same number, so that every byte has a character and comes back.
char32_t Windows1252ToChar(std::uint8_t byte);
// The byte for character c; none when Windows-1252 cannot hold c.
std::optional<std::uint8_t> CharToWindows1252(char32_t c);

// Windows-1252 bytes as UTF-8; total: every input has an output.
std::string Windows1252ToUtf8(std::string_view bytes);
// UTF-8 text as Windows-1252 bytes; none when the text is not valid UTF-8
// or holds a character the code page cannot hold.
std::optional<std::string> Utf8ToWindows1252(std::string_view utf8);

// Text in a message: at most kExcerptLength characters of text, then "…".
// Text that is not valid UTF-8 is taken as Windows-1252, so that what the
// user reads is what the file holds.
inline constexpr std::size_t kExcerptLength = 200;
std::string MessageExcerpt(std::string_view text);

// A file's bytes as the user's text: a Windows-1252 file's characters are
// given in UTF-8 like everything else.
std::string AsUserText(std::string_view bytes, TTextEncoding encoding);

// A value as the user can recognise it in one line of a message: line
// breaks, tabs and other control characters escaped ("\n", "\x1B").
std::string Shown(std::string_view value);
