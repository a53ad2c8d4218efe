#include "support/Translation.h"

#include <libintl.h>

// Tr and FillIn need no toolkit, so that the data layer's messages are
// translated too; the rest of the localization lives in vnsupport.

std::string Tr(const char* msgid) {
  // gettext answers the empty identifier with the catalogue's header.
  if (msgid == nullptr || *msgid == '\0') return {};
  return dgettext(kTextDomain, msgid);
}

std::string FillIn(std::string_view pattern, std::span<const std::string_view> values) {
  std::string result;
  result.reserve(pattern.size());
  auto next = values.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size()) {
      const char kind = pattern[i + 1];
      if (kind == '%') {
        result += '%';
        ++i;
        continue;
      }
      if ((kind == 'd' || kind == 's') && next != values.end()) {
        result += *next++;
        ++i;
        continue;
      }
    }
    result += c;
  }
  return result;
}
