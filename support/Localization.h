#pragma once
// Translation through GNU gettext, domain "default", catalogues in
// <localeDir>/<lang>/LC_MESSAGES/default.mo. Works without installed locales.
#include <initializer_list>
#include <string>
#include <string_view>

// Binds the domain to localeDir and selects the language from LANG (its
// codeset part dropped). A missing folder or catalogue leaves English.
void SetupLocalization(const std::string& localeDir);

// The translation of msgid in the current language, or msgid itself; the
// empty text stays empty.
std::string Tr(const char* msgid);
inline std::string Tr(const std::string& msgid) {
  return Tr(msgid.c_str());
}

// Fills a (translated) pattern: each "%d" or "%s" takes the next of values in
// order, "%%" gives "%". Placeholders without a value stay as they are. No
// printf underneath, so a catalogue can never make it read beyond values.
std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> values);
