// Without a locale folder beside the program everything stays English, and
// setting up the translation reports nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "plc/Card.h"
#include "support/Localization.h"
#include "tests/plc/FakeNoDave.h"
#include "tests/support/testsupport/TempFolder.h"
#include "ui/CardResultBox.h"

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
  TResultOr<std::string> read;
  {
    TCard card(0, (dir / "libs7drv.so").string());
    read = card.ReadOrderCode(settings);
    EXPECT_EQ(read.Value, "");
  }
  const TResult failure = LibraryFailure(4711);
  EXPECT_TRUE(recorder.boxes.empty());
  ASSERT_FALSE(read.Result.Ok());
  EXPECT_EQ(FailureCaption(read.Result.Kind), "Error");
  EXPECT_EQ(read.Result.Text(), "Could not open the port 4711");
  EXPECT_EQ(failure.Text(), "Error: Could not establish connection with these parameters.");
}

}  // namespace
