#include "support/Localization.h"

#include <libintl.h>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QString>
#include <QTranslator>
#include <clocale>
#include <cstdlib>
#include <memory>

namespace {

constexpr const char* kDomain = kTextDomain;

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The locale that decides the language of messages; empty when none is set.
std::string MessageLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    std::string value = Variable(name);
    if (!value.empty()) return value;
  }
  return {};
}

// "C", "POSIX" and their UTF-8 forms are the untranslated locale.
bool IsUntranslated(const std::string& locale) {
  return locale.empty() || locale == "C" || locale == "POSIX" || locale.starts_with("C.");
}

// "de_AT.UTF-8@euro" -> "de_AT@euro": gettext looks catalogues up by
// language, territory and modifier, never by codeset.
std::string WithoutCodeset(std::string locale) {
  const auto dot = locale.find('.');
  if (dot == std::string::npos) return locale;
  const auto at = locale.find('@', dot);
  locale.erase(dot, at == std::string::npos ? std::string::npos : at - dot);
  return locale;
}

// The languages to try, in order, as a LANGUAGE value; empty for none.
std::string MessageLanguages() {
  const std::string locale = MessageLocale();
  if (IsUntranslated(locale)) return {};
  const std::string languages = Variable("LANGUAGE");
  return languages.empty() ? WithoutCodeset(locale) : languages;
}

}  // namespace

void SetupLocalization(const std::string& localeDir) {
  const std::string languages = MessageLanguages();
  // Mostly the locale the environment names is not installed (no German
  // one is on many machines); the texts are UTF-8 all the same.
  if (std::setlocale(LC_ALL, "") == nullptr) std::setlocale(LC_CTYPE, "C.UTF-8");
  if (languages.empty()) {
    // gettext answers every text with itself in this locale.
    std::setlocale(LC_MESSAGES, "C");
  } else {
    // glibc's gettext follows LANGUAGE only when the messages locale is not
    // "C", and translates nothing under a locale that is not installed. The
    // always-present C.UTF-8 passes both, and the languages come from
    // LANGUAGE, so the catalogue is found without any German locale.
    const char* current = std::setlocale(LC_MESSAGES, nullptr);
    if (current == nullptr || IsUntranslated(current)) std::setlocale(LC_MESSAGES, "C.UTF-8");
    setenv("LANGUAGE", languages.c_str(), 1);
  }
  bindtextdomain(kDomain, localeDir.c_str());
  bind_textdomain_codeset(kDomain, "UTF-8");
  textdomain(kDomain);
}

std::string CatalogueLanguage() {
  // The empty identifier gives the header of the catalogue gettext chose,
  // and nothing when it chose none.
  const std::string header = dgettext(kDomain, "");
  const std::string key = "Language:";
  auto begin = header.find(key);
  if (begin == std::string::npos || (begin > 0 && header[begin - 1] != '\n')) return {};
  begin = header.find_first_not_of(' ', begin + key.size());
  if (begin == std::string::npos) return {};
  return header.substr(begin, header.find_first_of(" \n", begin) - begin);
}

void LoadToolkitTranslation(const std::string& translationsDir) {
  static QPointer<QTranslator> installed;
  auto* application = QCoreApplication::instance();
  if (application == nullptr) return;
  if (installed) {
    QCoreApplication::removeTranslator(installed);
    installed->deleteLater();
  }
  const std::string language = CatalogueLanguage();
  if (language.empty()) return;
  const QString folder = translationsDir.empty()
                             ? QLibraryInfo::path(QLibraryInfo::TranslationsPath)
                             : QString::fromStdString(translationsDir);
  auto translator = std::make_unique<QTranslator>();
  // "qtbase_de_DE" falls back to qtbase_de.qm by itself.
  if (!translator->load(QString::fromStdString("qtbase_" + language), folder)) return;
  translator->setParent(application);
  QCoreApplication::installTranslator(translator.get());
  installed = translator.release();
}
