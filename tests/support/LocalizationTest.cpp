// Which language the environment selects, as GNU gettext's precedence has it
// (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), with no German locale installed: our
// catalogue and the toolkit's own texts follow it together, and a missing or
// broken catalogue leaves English without a word.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "support/Localization.h"
#include "tests/support/testsupport/TempFolder.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kTitle = "Configuration of the PLC driver";
constexpr const char* kGermanTitle = "Konfiguration des SPS-Treibers";

struct TCase {
  const char* language;  // LANGUAGE
  const char* all;       // LC_ALL
  const char* messages;  // LC_MESSAGES
  const char* lang;      // LANG
  bool german;
};

// Sets the four variables as the row has them (empty: unset); returns them
// as a trace.
std::string SetEnvironment(const TCase& row) {
  std::string trace;
  for (const auto& [name, value] : {std::pair{"LANGUAGE", row.language},
                                    {"LC_ALL", row.all},
                                    {"LC_MESSAGES", row.messages},
                                    {"LANG", row.lang}}) {
    if (*value == '\0') {
      unsetenv(name);
    } else {
      setenv(name, value, 1);
    }
    trace += std::string(name) + "=" + value + " ";
  }
  return trace;
}

class LocalizationTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "localization_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);  // lives for the process
  }
  static std::string ToolkitCancel() {
    return QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString();
  }
};

TEST_F(LocalizationTest, EnvironmentSelectsTheLanguageForCatalogueAndToolkit) {
  const TCase cases[] = {
      // Only LANG, as most users have it: every German locale is German.
      {"", "", "", "de_DE.UTF-8", true},
      {"", "", "", "de_LU@euro", true},
      {"", "", "", "de", true},
      {"", "", "", "fr_FR.UTF-8", false},
      {"", "", "", "C.UTF-8", false},
      {"", "", "", "", false},
      // LANGUAGE before everything, as German desktops set it, also past a
      // language without a catalogue; but never in the C locale.
      {"de:en", "", "", "en_US.UTF-8", true},
      {"fr:de_CH", "", "", "fr_FR.UTF-8", true},
      {"en", "", "", "de_DE.UTF-8", false},
      {"de", "", "", "C", false},
      {"de", "", "", "", false},
      // LC_ALL before LC_MESSAGES before LANG.
      {"", "C", "", "de_DE.UTF-8", false},
      {"", "de_AT.UTF-8", "", "C", true},
      {"", "", "de_CH.UTF-8", "en_GB.UTF-8", true},
      {"", "", "POSIX", "de_DE.UTF-8", false},
      {"", "en_GB.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8", false},
  };
  for (const TCase& row : cases) {
    SCOPED_TRACE(SetEnvironment(row));
    SetupLocalization(VN_BUILD_DIR "/bin/locale");
    LoadToolkitTranslation();
    EXPECT_EQ(Tr(kTitle), row.german ? kGermanTitle : kTitle);
    EXPECT_EQ(CatalogueLanguage(), row.german ? "de" : "");
    EXPECT_EQ(ToolkitCancel(), row.german ? "Abbrechen" : "Cancel");
  }
}

TEST_F(LocalizationTest, MissingOrBrokenTranslationsLeaveEnglish) {
  const TTempFolder folder("vn_localization_broken");
  const fs::path& dir = folder.Path();
  const fs::path broken = dir / "broken" / "de" / "LC_MESSAGES";
  fs::create_directories(broken);
  WriteBytes(broken / "default.mo", "\xde\x12\x04\x95 not a catalogue");
  WriteBytes(dir / "qtbase_de.qm", "not a translation either");
  SetEnvironment({"", "", "", "de_AT.UTF-8", true});

  for (const fs::path& catalogues : {dir / "missing", dir / "broken"}) {
    SCOPED_TRACE(catalogues.string());
    SetupLocalization(catalogues.string());
    LoadToolkitTranslation();
    EXPECT_EQ(Tr(kTitle), kTitle);
    EXPECT_EQ(CatalogueLanguage(), "");
    EXPECT_EQ(ToolkitCancel(), "Cancel");
  }
  // Our catalogue, but the toolkit's translation is broken or not there.
  SetupLocalization(VN_BUILD_DIR "/bin/locale");
  for (const fs::path& translations : {dir, dir / "missing"}) {
    SCOPED_TRACE(translations.string());
    LoadToolkitTranslation(translations.string());
    EXPECT_EQ(Tr(kTitle), kGermanTitle);
    EXPECT_EQ(ToolkitCancel(), "Cancel");
  }
}

}  // namespace
