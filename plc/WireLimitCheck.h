#pragma once
// Settings whose range is wider than what the wire can carry: the dialog and
// --set take rack and slot up to 65535 and bus addresses up to 32767, the
// connection request and the bus frames far less. --check and the diagnosis
// name the wire's limit before anything is sent.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/HW_ConfigInfo.h"

struct TWireLimitFinding {
  std::string_view Key;  // the setting, as the file names it
  std::int32_t Value = 0;
  int Max = 0;  // the wire carries 0 to Max
};

// The settings the connection type sends that lie beyond the wire's limit,
// in the settings table's order; none for values the wire carries.
std::vector<TWireLimitFinding> WireLimitFindings(const TConfigInfo& settings);

// "Rack is 9, but the connection can carry only 0 to 7", in the user's
// language.
std::string WireLimitText(const TWireLimitFinding& finding);
