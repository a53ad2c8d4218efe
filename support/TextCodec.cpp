#include "support/TextCodec.h"

#include <array>

namespace {

// Windows-1252 bytes 80..9F; the rest of the code page equals Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::optional<char32_t> DecodeUtf8(std::string_view bytes, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(bytes[k]); };
  const std::uint8_t lead = byte(i);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  std::size_t length = 0;
  char32_t c = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07, minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  if (bytes.size() - i < length) return std::nullopt;
  for (std::size_t k = 1; k < length; ++k) {
    const std::uint8_t next = byte(i + k);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  i += length;
  return c;
}

bool StartsWithUtf8Bom(std::string_view bytes) {
  return bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom;
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    // ASCII runs are the common case: skip them without decoding.
    if (static_cast<std::uint8_t>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    if (!DecodeUtf8(bytes, i)) return false;
  }
  return true;
}

TTextEncoding DetectEncoding(std::string_view bytes) {
  return IsValidUtf8(bytes) ? TTextEncoding::Utf8 : TTextEncoding::Windows1252;
}

char32_t Windows1252ToChar(std::uint8_t byte) {
  return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : char32_t(byte);
}

std::optional<std::uint8_t> CharToWindows1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<std::uint8_t>(c);
  for (std::size_t k = 0; k < kHighControls.size(); ++k)
    if (kHighControls[k] == c) return static_cast<std::uint8_t>(0x80 + k);
  return std::nullopt;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char byte : bytes) AppendUtf8(out, Windows1252ToChar(static_cast<std::uint8_t>(byte)));
  return out;
}

std::optional<std::string> Utf8ToWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto c = DecodeUtf8(utf8, i);
    if (!c) return std::nullopt;
    const auto byte = CharToWindows1252(*c);
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
  }
  return out;
}

std::string MessageExcerpt(std::string_view text) {
  constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // "…"
  // Only the characters shown are copied: a Windows-1252 byte is one
  // character, so kExcerptLength bytes of such text are enough.
  if (!IsValidUtf8(text)) {
    const std::string shown = Windows1252ToUtf8(text.substr(0, kExcerptLength));
    return text.size() <= kExcerptLength ? shown : shown + std::string(kEllipsis);
  }
  std::size_t end = 0;
  for (std::size_t shown = 0; end < text.size() && shown < kExcerptLength; ++shown) {
    // Valid UTF-8 here: a lead byte, then its continuation bytes.
    ++end;
    while (end < text.size() && (static_cast<std::uint8_t>(text[end]) & 0xC0) == 0x80) ++end;
  }
  if (end == text.size()) return std::string(text);
  return std::string(text.substr(0, end)) + std::string(kEllipsis);
}

std::string AsUserText(std::string_view bytes, TTextEncoding encoding) {
  return encoding == TTextEncoding::Windows1252 ? Windows1252ToUtf8(bytes) : std::string(bytes);
}

namespace {

void AppendHex(std::string& shown, std::string_view bytes) {
  constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    shown += "\\x";
    shown += kHex[byte >> 4];
    shown += kHex[byte & 0x0F];
  }
}

// Characters a terminal acts on instead of showing: the C0 and C1 control
// characters, DEL, and the line and paragraph separators.
bool ActsOnTerminal(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

}  // namespace

std::string TerminalText(std::string_view text, bool keepLineBreaks) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    const auto c = DecodeUtf8(text, i);
    if (!c) {
      i = start + 1;
      AppendHex(shown, text.substr(start, 1));
    } else if (*c == '\n') {
      shown += keepLineBreaks ? "\n" : "\\n";
    } else if (*c == '\t') {
      shown += "\\t";
    } else if (*c == '\r') {
      shown += "\\r";
    } else if (ActsOnTerminal(*c)) {
      AppendHex(shown, text.substr(start, i - start));
    } else {
      shown += text.substr(start, i - start);
    }
  }
  return shown;
}

std::string Shown(std::string_view value) {
  return TerminalText(value, false);
}
