#include "ModeOutput.h"

#include <iostream>

#include "Localization.h"
#include "MessageBox.h"

void PrintResult(std::string_view line) {
  std::cout << line << '\n';
}

void PrintDocument(std::string_view document) {
  std::cout << document;
}

void PrintMessage(std::string_view text) {
  std::cerr << WithPlainLineBreaks(text) << '\n';
}

bool Reported(const TCardResult& result) {
  if (!result) PrintMessage(result.Text());
  return result.Ok();
}

std::string Shown(std::string_view value) {
  std::string shown;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      shown += "\\n";
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c == '\t') {
      shown += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      constexpr char kHex[] = "0123456789ABCDEF";
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0x0F];
    } else {
      shown += c;
    }
  }
  return shown;
}

std::string OutOfRangeText(std::string_view value, std::string_view name, std::int32_t min,
                           std::int32_t max) {
  return FillIn(Tr("The value \"%s\" of %s is refused: allowed are the whole numbers %d to %d."),
                {Shown(value), name, std::to_string(min), std::to_string(max)});
}
