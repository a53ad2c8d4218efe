#include "support/VNString.h"

#include <QLibrary>
#include <algorithm>
#include <array>
#include <memory>

#include "support/MessageBox.h"

namespace {

using TVNLoadString = int (*)(unsigned id, char* buffer, int size);

struct TStringLibrary {
  std::unique_ptr<QLibrary> Library;
  TVNLoadString LoadString = nullptr;
};

TStringLibrary& StringLibrary() {
  static TStringLibrary library;
  return library;
}

// ResText reads through a buffer of this size, as the suite's callers do.
constexpr int kResTextBufferSize = 256;

}  // namespace

std::uintptr_t StringLibHandle() {
  return reinterpret_cast<std::uintptr_t>(StringLibrary().LoadString);
}

bool LoadStringLibrary(const std::string& name) {
  FreeStringLibrary();
  auto library = std::make_unique<QLibrary>(QString::fromLocal8Bit(name.c_str()));
  if (!library->load()) return false;
  // A library of that name without the look-up function holds no texts we
  // could read: treat it as absent.
  auto loadString = reinterpret_cast<TVNLoadString>(library->resolve("VNLoadString"));
  if (!loadString) {
    library->unload();
    return false;
  }
  StringLibrary() = {std::move(library), loadString};
  return true;
}

void FreeStringLibrary() {
  auto& current = StringLibrary();
  if (current.Library) current.Library->unload();
  current = {};
}

char* LoadResText(unsigned id, char* buffer, int size) {
  if (!buffer || size < 1) return buffer;
  buffer[0] = '\0';
  const auto loadString = StringLibrary().LoadString;
  if (!loadString || size < 2) return buffer;
  const int length = loadString(id, buffer, size - 1);
  // Trust neither the length nor the zero of the library beyond our buffer.
  buffer[std::clamp(length, 0, size - 2)] = '\0';
  return buffer;
}

std::string ResText(unsigned id) {
  std::array<char, kResTextBufferSize> buffer{};
  return LoadResText(id, buffer.data(), static_cast<int>(buffer.size()));
}

int ShowResMessage(unsigned textId, unsigned captionId, unsigned flags) {
  const std::string text = ResText(textId);
  const std::string caption = ResText(captionId);
  if (text.empty() || caption.empty())
    return ShowMessageBox("String-Resource nicht gefunden!", "Fehler", flags);
  return ShowMessageBox(text, caption, flags);
}
