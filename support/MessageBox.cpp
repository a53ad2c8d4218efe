#include "support/MessageBox.h"

#include <iostream>
#include <utility>

namespace {
TMessageBoxHandler& Handler() {
  static TMessageBoxHandler handler;
  return handler;
}
}  // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  if (const auto& handler = Handler()) return handler(text, caption, flags);
  std::cerr << caption << ": " << text << '\n';
  return IDOK;
}

namespace {
void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  std::string result;
  result.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, start)) {
    result.append(text, start, at - start).append(to);
    start = at + from.size();
  }
  result.append(text, start, std::string::npos);
  text = std::move(result);
}
}  // namespace

std::string WithPlainLineBreaks(std::string_view text) {
  // First the CR LF pairs, then what is left of LF CR, then lone CRs.
  std::string plain(text);
  ReplaceAll(plain, "\r\n", "\n");
  ReplaceAll(plain, "\n\r", "\n");
  ReplaceAll(plain, "\r", "\n");
  return plain;
}

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler) {
  return std::exchange(Handler(), std::move(handler));
}
