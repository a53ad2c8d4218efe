// With LANG=de_DE.UTF-8 and the catalogue built beside the program, the
// card's messages come out German with their numbers filled in, although no
// German locale is installed on the machine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "plc/Card.h"
#include "plc/FailureCause.h"
#include "support/Translation.h"
#include "tests/plc/FakeNoDave.h"
#include "tests/plc/GermanCatalogue.h"
#include "tests/support/testsupport/TempFolder.h"
#include "ui/CardResultBox.h"

namespace {

const auto* const kGerman = ::testing::AddGlobalTestEnvironment(new GermanCatalogueEnvironment);

TEST(LocalizedMessages, EveryCardMessageHasAGermanText) {
  const char* messages[] = {
      "Error",
      "Error:",
      "Could not establish connection with these parameters.",
      "Could not open the serial interface \"COM%d\"",
      "Could not open the port %d",
      "Could not resolve the host name \"%s\"",
      "Could not open the virtual connection to \"S7ONLINE\"",
      "The setting %s=%d is not a valid choice, so no connection was opened.",
  };
  for (const char* message : messages) {
    const std::string german = Tr(message);
    EXPECT_NE(german, message);
    EXPECT_FALSE(german.empty()) << message;
  }
  EXPECT_EQ(Tr("Channels of the PLC"), "Kanäle der SPS");
  EXPECT_EQ(Tr("A text nobody translated"), "A text nobody translated");
  // The catalogue keeps its header under the empty identifier; no caller may see it.
  EXPECT_EQ(Tr(""), "");
}

class LocalizedCardTest : public TempFolderTest {
 protected:
  void SetUp() override {
    card = std::make_unique<TCard>(0, (dir / "libs7drv.so").string());
    dave.failSetPort = dave.failOpenSocket = dave.failOpenS7online = true;
  }
  void TearDown() override { card.reset(); }

  std::string OnlyBoxFor(const TConfigInfo& settings) {
    const TResultOr<std::string> read = card->ReadOrderCode(settings);
    EXPECT_EQ(read.Value, "");
    EXPECT_FALSE(read.Result.Ok());
    EXPECT_EQ(FailureCaption(read.Result.Kind), "Fehler");
    return read.Result.Text();
  }

  FakeNoDave dave;
  std::unique_ptr<TCard> card;
};

TEST_F(LocalizedCardTest, OpenFailuresAreGermanWithTheNumberFilledIn) {
  TConfigInfo settings;
  settings.Connectiontype = 4;
  settings.IPPort = 4711;
  EXPECT_EQ(OnlyBoxFor(settings), "Der Port 4711 konnte nicht geöffnet werden");

  settings.Connectiontype = 3;
  settings.Comport = 3;
  EXPECT_EQ(OnlyBoxFor(settings),
            "Die serielle Schnittstelle \"COM3\" konnte nicht geöffnet werden");

  settings.Connectiontype = 9;
  EXPECT_EQ(OnlyBoxFor(settings),
            "Die Einstellung Connectiontype=9 ist keine gültige Auswahl, daher wurde keine "
            "Verbindung geöffnet.");
}

TEST_F(LocalizedCardTest, LibraryErrorsAreGerman) {
  const TResult failure = LibraryFailure(4711);
  ASSERT_FALSE(failure.Ok());
  EXPECT_EQ(failure.Text(),
            "Fehler: Mit diesen Parametern konnte keine Verbindung hergestellt werden.");
  // The library's own texts are catalogue texts too.
  dave.errorTexts[daveResTimeout] = daveStrerror(daveResTimeout);
  EXPECT_EQ(LibraryFailure(daveResTimeout).Text(),
            "Fehler: Zeitüberschreitung: die SPS oder der Adapter hat nicht rechtzeitig "
            "geantwortet");
  // So are the step names in a cause line.
  daveFailure silent{};
  silent.step = daveStepS7Setup;
  silent.result = daveResTimeout;
  EXPECT_EQ(CauseLine(silent),
            "Schritt \"S7-Kommunikationsaufbau\": keine Antwort in der erwarteten Zeit");
}

}  // namespace
