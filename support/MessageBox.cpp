#include "MessageBox.h"

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

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler) {
  return std::exchange(Handler(), std::move(handler));
}
