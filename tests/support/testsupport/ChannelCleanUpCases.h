#pragma once
// Channel blocks as files give them and as the model's clean-up leaves them.
#include "support/VNUtils.h"

struct TCleanUpCase {
  const char* what;
  TStrings lines;
  TStrings stored;
};

inline const TCleanUpCase kCleanUpCases[] = {
    {"blanks as indentation, empty last line",
     {"SPS", " E", "  1", "\tDB", " \t10", "\t \t4", ""},
     {"SPS", "\tE", "\t\t1", "\tDB", "\t\t10", "\t\t\t4"}},
    {"foreign and second roots go", {"XYZ", "\tQ", "SPS", "\tE", "SPS", "\tA"}, {"SPS", "\tE"}},
    {"no root at all", {"ABC", "\tE"}, {"SPS", "\tE", "\tA", "\tM", "\tT", "\tZ", "\tDB"}},
    {"missing areas are not added", {"SPS", "\tE", "\tDB"}, {"SPS", "\tE", "\tDB"}},
    {"root in another case is foreign",
     {"sps", "\tE"},
     {"SPS", "\tE", "\tA", "\tM", "\tT", "\tZ", "\tDB"}},
    {"texts that are not UTF-8 stay as bytes",
     {"SPS", "\tE", "\t\tK\xFC", "\t\t2 "},
     {"SPS", "\tE", "\t\tK\xFC", "\t\t2 "}},
};
