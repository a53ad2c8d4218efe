// The text and the box of an error that ends the run.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/ApplicationError.h"
#include "support/MessageBox.h"
#include "support/VNErrors.h"

namespace {

TEST(ApplicationErrorText, NamesKindModuleAndMessageWithOneFullStop) {
  struct TCase {
    std::string Kind, Message, Expected;
  };
  const std::string head = "Exception EListError in Modul VN_S7_Config_DRV.\n";
  const std::vector<TCase> cases = {
      {"EListError", "Listenindex überschreitet das Maximum (3)",
       head + "Listenindex überschreitet das Maximum (3)"},  // ")" sorts before ".",
      {"EListError", "Datei fehlt.", head + "Datei fehlt."},
      {"EListError", "Ungültige Ebene (2) für Eintrag \"E\"",
       head + "Ungültige Ebene (2) für Eintrag \"E\""},
      {"EListError", "Zahlenwert zu groß", head + "Zahlenwert zu groß."},
      {"EListError", "", head},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ApplicationErrorText(c.Kind, "VN_S7_Config_DRV", c.Message), c.Expected) << c.Message;
}

TEST(ApplicationErrorText, TakesTheKindFromTheError) {
  EXPECT_EQ(ApplicationErrorText(ETreeLevelError("Ebene"), "P"),
            "Exception ETreeLevelError in Modul P.\nEbene.");
  EXPECT_EQ(ApplicationErrorText(EFileError("Datei x"), "P"),
            "Exception EFileError in Modul P.\nDatei x.");
  EXPECT_EQ(ApplicationErrorText(std::out_of_range("vector"), "P"),
            "Exception Exception in Modul P.\nvector.");
}

TEST(ShowApplicationError, ShowsATaskModalErrorBoxCalledAnwendungsfehler) {
  struct TShown {
    std::string Text, Caption;
    unsigned Flags;
  };
  std::vector<TShown> shown;
  auto previous = SetMessageBoxHandler(
      [&](const std::string& text, const std::string& caption, unsigned flags) {
        shown.push_back({text, caption, flags});
        return IDOK;
      });
  const EConvertError error("\"abc\" ist kein gültiger Integerwert");
  ShowApplicationError(&error, "VN_S7_Config_DRV");
  ShowApplicationError(nullptr, "VN_S7_Config_DRV");
  SetMessageBoxHandler(previous);

  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].Caption, "Anwendungsfehler");
  EXPECT_EQ(shown[0].Text,
            "Exception EConvertError in Modul VN_S7_Config_DRV.\n\"abc\" ist kein gültiger "
            "Integerwert.");
  EXPECT_EQ(shown[0].Flags, MB_OK | MB_ICONERROR | MB_TASKMODAL);
  EXPECT_EQ(shown[1].Caption, "Anwendungsfehler");
  EXPECT_EQ(shown[1].Text, "Exception Exception in Modul VN_S7_Config_DRV.\nUnbekannter Fehler.");
}

}  // namespace
