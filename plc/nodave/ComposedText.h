#pragma once
// Text with numbers in it, put together at compile time: a text that quotes
// a limit is made from the limit's constant and still lives for ever, as a
// catalogue text must.
#include <cstddef>
#include <initializer_list>

namespace nodave {

struct TTextPart {
  constexpr TTextPart(const char* text) : Text(text) {}  // NOLINT: parts convert implicitly
  constexpr TTextPart(int number) : Number(number) {}    // NOLINT
  const char* Text = nullptr;
  int Number = 0;
};

struct TComposedText {
  static constexpr std::size_t kCapacity = 160;
  char Chars[kCapacity]{};
};

// The parts one after the other, numbers in decimal (none below 0). A text
// longer than the capacity does not compile.
constexpr TComposedText ComposeText(std::initializer_list<TTextPart> parts) {
  TComposedText composed;
  std::size_t size = 0;
  const auto put = [&](char c) {
    if (size + 1 >= TComposedText::kCapacity) throw "composed text too long";
    composed.Chars[size++] = c;
  };
  for (const TTextPart& part : parts) {
    if (part.Text) {
      for (const char* c = part.Text; *c; ++c) put(*c);
      continue;
    }
    if (part.Number < 0) throw "negative numbers are not composed";
    int scale = 1;
    while (part.Number / scale >= 10) scale *= 10;
    for (; scale > 0; scale /= 10) put(static_cast<char>('0' + part.Number / scale % 10));
  }
  return composed;
}

}  // namespace nodave
