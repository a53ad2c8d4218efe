#pragma once
// Translation through GNU gettext, domain "default", catalogues in
// <localeDir>/<language>/LC_MESSAGES/default.mo. Works without installed locales.
#include <string>

#include "support/Translation.h"

// Binds the domain to localeDir and picks the language as GNU gettext does:
// LANGUAGE (a colon-separated list of languages) comes first, otherwise the
// first of LC_ALL, LC_MESSAGES and LANG that is set, without its codeset
// ("de_AT.UTF-8" -> "de_AT"). A locale of "C" or "POSIX", or none, means no
// translation, whatever LANGUAGE says. A catalogue serves every variant of
// its language: locale/de/ answers de_DE, de_AT, de_CH and de alike. A
// missing folder or a missing or broken catalogue leaves English, silently.
void SetupLocalization(const std::string& localeDir);

// The language of the catalogue in use, as its header names it ("de"), or
// the empty text when the texts stay English.
std::string CatalogueLanguage();

// Gives the toolkit's own texts (standard buttons, the file dialog) the
// catalogue's language, from Qt's translations (qtbase_<language>.qm) in
// translationsDir, by default Qt's own translations folder. Replaces what an
// earlier call loaded. Needs the application object. Nothing to load (English,
// no such file, a broken one): the toolkit stays English, silently.
void LoadToolkitTranslation(const std::string& translationsDir = {});
