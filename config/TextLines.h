#pragma once
// Where the lines of a text are: the one rule for line ends that the file,
// its settings and its channel block share.
#include <cstddef>
#include <string_view>

// Calls take(start, size) for each line of text: a line ends at CR LF, lone
// CR or lone LF, and a last line needs no end.
template <class F>
void ForEachTextLine(std::string_view text, F take) {
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      take(start, text.size() - start);
      return;
    }
    take(start, end - start);
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
}
