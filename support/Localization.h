#pragma once
// Translation through GNU gettext, domain "default", catalogues in
// <localeDir>/<lang>/LC_MESSAGES/default.mo. Works without installed locales.
#include <string>

// Binds the domain to localeDir and selects the language from LANG (its
// codeset part dropped). A missing folder or catalogue leaves English.
void SetupLocalization(const std::string& localeDir);

// The translation of msgid in the current language, or msgid itself.
std::string Tr(const char* msgid);
inline std::string Tr(const std::string& msgid) { return Tr(msgid.c_str()); }
