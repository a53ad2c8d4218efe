// A small string-resource library for the tests: the numbered texts the
// integer field asks for, each marked "RES:" so that a test can tell them
// from the built-in German texts, plus a long and an empty one.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>

namespace {
const std::map<unsigned, std::string>& Texts() {
  static const std::map<unsigned, std::string> texts = {
      {1002, "RES:Fehler"},
      {1011, "RES:Wertebereich"},
      {1316, "RES:ab: "},
      {1317, "RES:höchstens: "},
      {1551, "RES:ohne Grenzen"},
      {1552, "RES:(0 ist verboten)"},
      {1553, "RES:Keine gültige Zahl"},
      {1554, "RES:Zahl zu groß"},
      {1555, "RES:Zahl zu klein"},
      {1556, "RES:Null ist nicht erlaubt"},
      {2000, std::string(300, 'L')},
      {2001, ""},
  };
  return texts;
}
}  // namespace

// Copies text id as far as size - 1 bytes allow, adds the zero and returns
// the number of bytes copied; 0 when there is no such text.
extern "C" int VNLoadString(unsigned id, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  const auto found = Texts().find(id);
  if (found == Texts().end()) {
    buffer[0] = '\0';
    return 0;
  }
  const auto length = std::min(found->second.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, found->second.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}
