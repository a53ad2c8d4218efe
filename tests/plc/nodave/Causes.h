#pragma once
// Cause lines as a user sees them: filled in, in English, and whether the
// German catalogue has every text the line is made of.
#include <set>
#include <string>
#include <vector>

#include "plc/nodave/nodave.h"
#include "tests/support/testsupport/CatalogueIds.h"

namespace nodave::testing {

// The cause line of a failure in English, its values filled in.
inline std::string CauseLine(const daveFailure& failure) {
  daveCause cause;
  daveDescribeFailure(&failure, &cause);
  std::string line;
  int next = 0;
  for (const char* p = cause.pattern ? cause.pattern : ""; *p; ++p) {
    if (p[0] == '%' && p[1] == 's' && next < cause.count) {
      line += cause.values[next++];
      ++p;
    } else {
      line += *p;
    }
  }
  return line;
}

// The texts of a failure's cause line (pattern and translated values) that
// the German catalogue lacks.
inline std::vector<std::string> UntranslatedTexts(const daveFailure& failure) {
  static const std::set<std::string> ids = GermanCatalogueIds();
  daveCause cause;
  daveDescribeFailure(&failure, &cause);
  std::vector<std::string> texts{cause.pattern ? cause.pattern : ""};
  for (int i = 0; i < cause.count; ++i) {
    if (cause.translate[i]) texts.emplace_back(cause.values[i]);
  }
  std::vector<std::string> missing;
  for (const std::string& text : texts) {
    if (!ids.count(text)) missing.push_back(text);
  }
  return missing;
}

}  // namespace nodave::testing
