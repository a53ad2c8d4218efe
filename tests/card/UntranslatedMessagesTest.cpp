// Without a locale folder beside the program everything stays English, and
// setting up the translation reports nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "FakeNoDave.h"
#include "Hw_Card.h"
#include "Localization.h"
#include "TempFolder.h"

namespace {

TEST(UntranslatedMessages, MissingLocaleFolderLeavesEnglishSilently) {
  setenv("LANG", "de_DE.UTF-8", 1);
  unsetenv("LANGUAGE");
  unsetenv("LC_ALL");
  const TTempFolder folder("vn_card_untranslated");
  const auto& dir = folder.Path();
  BoxRecorder recorder;

  SetupLocalization((dir / "locale").string());
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ(Tr("Channels of the PLC"), "Channels of the PLC");

  FakeNoDave dave;
  dave.failOpenSocket = true;
  TConfigInfo settings;
  settings.Connectiontype = 4;
  settings.IPPort = 4711;
  {
    TCard card(0, (dir / "libs7drv.so").string());
    EXPECT_EQ(card.ReadOrderCode(settings), "");
    card.ReportError("", 4711);
  }
  ASSERT_EQ(recorder.boxes.size(), 2u);
  EXPECT_EQ(recorder.boxes[0].caption, "Error");
  EXPECT_EQ(recorder.boxes[0].text, "Could not open the port 4711");
  EXPECT_EQ(recorder.boxes[1].text, "Error: Could not establish connection with these parameters.");
}

}  // namespace
