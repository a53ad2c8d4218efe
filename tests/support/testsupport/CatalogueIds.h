#pragma once
// The message identifiers of the German catalogue as the source tree holds
// it (single-line msgid only: the catalogue writes every identifier on one
// line), so that a test can tell a text that has no German entry.
#include <fstream>
#include <set>
#include <string>

inline std::set<std::string> GermanCatalogueIds() {
  std::ifstream po(VN_TEST_DATA_DIR "/../../po/de_DE.po");
  std::set<std::string> ids;
  for (std::string line; std::getline(po, line);) {
    if (line.rfind("msgid \"", 0) != 0) continue;
    std::string id;
    for (std::size_t i = 7; i + 1 < line.size(); ++i) {
      if (line[i] == '\\' && i + 2 < line.size()) ++i;
      id += line[i];
    }
    ids.insert(id);
  }
  return ids;
}
