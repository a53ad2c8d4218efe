#include "Localization.h"

#include <libintl.h>

#include <clocale>
#include <cstdlib>

namespace {

constexpr const char* kDomain = "default";

// LANG without its codeset ("de_DE.UTF-8" -> "de_DE"); empty when unset.
std::string LanguageFromEnvironment() {
  const char* lang = std::getenv("LANG");
  if (lang == nullptr) return {};
  std::string language(lang);
  return language.substr(0, language.find('.'));
}

bool SelectsTranslation(const std::string& language) {
  return !language.empty() && language != "C" && language != "POSIX";
}

}  // namespace

void SetupLocalization(const std::string& localeDir) {
  const std::string language = LanguageFromEnvironment();
  if (std::setlocale(LC_ALL, "") == nullptr) {
    // The locale LANG names is not installed. glibc then answers every
    // gettext with the message identifier, even when our catalogue exists;
    // with the always-present C.UTF-8 for messages and the language in
    // LANGUAGE it still picks the catalogue.
    std::setlocale(LC_MESSAGES, "C.UTF-8");
    std::setlocale(LC_CTYPE, "C.UTF-8");
    if (SelectsTranslation(language)) setenv("LANGUAGE", language.c_str(), 1);
  }
  bindtextdomain(kDomain, localeDir.c_str());
  bind_textdomain_codeset(kDomain, "UTF-8");
  textdomain(kDomain);
}

std::string Tr(const char* msgid) {
  // gettext answers the empty identifier with the catalogue's header.
  if (msgid == nullptr || *msgid == '\0') return {};
  return dgettext(kDomain, msgid);
}

std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> values) {
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
