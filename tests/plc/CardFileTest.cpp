// The card and its configuration file: the file's name, a card without a
// file, reading one, and the take-over after OK.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "config/ConfigFile.h"
#include "plc/Card.h"
#include "tests/support/testsupport/ConfigTexts.h"
#include "tests/support/testsupport/TempFolder.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class CardFileTest : public TempFolderTest {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "drv");
    driver = (dir / "drv" / "libs7drv.so").string();
    configFile = dir / "drv" / "libs7drv.CFG";
  }

  std::string driver;
  std::filesystem::path configFile;
};

TEST(ConfigFileNameFor, ReplacesTheExtensionOfTheFileName) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"drv/libs7drv.so", "drv/libs7drv.CFG"},
      {"/suite/drv/S7DRV.DLL", "/suite/drv/S7DRV.CFG"},
      {"/suite/drv/lib.s7.so", "/suite/drv/lib.s7.CFG"},   // only the last extension
      {"/suite.v2/drv/s7drv", "/suite.v2/drv/s7drv.CFG"},  // a dot in a folder is no extension
      {"s7drv", "s7drv.CFG"},
      {"drv/", "drv/.CFG"},
      {"", ".CFG"},
  };
  for (const auto& [path, expected] : rows) EXPECT_EQ(ConfigFileNameFor(path), expected) << path;
}

TEST_F(CardFileTest, WithoutAFileTheCardHasDefaultsAndNoChannels) {
  TCard card(0, driver);
  EXPECT_TRUE(card.LoadConfig().Ok());

  const TConfigInfo defaults(configFile.string());
  EXPECT_EQ(card.Config().ConfigFileName, configFile.string());
  EXPECT_EQ(card.Config().Connectiontype, defaults.Connectiontype);
  EXPECT_EQ(card.Config().Comport, defaults.Comport);
  EXPECT_EQ(card.Config().IPAddress, defaults.IPAddress);
  EXPECT_EQ(card.Config().Slot, defaults.Slot);
  EXPECT_EQ(card.Config().ProtokollFileName, defaults.ProtokollFileName);
  EXPECT_THAT(card.ChannelLines(), IsEmpty());
  EXPECT_EQ(card.Channels().Count(), 0);
  EXPECT_EQ(card.ConnectCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(configFile)) << "reading creates nothing";
}

TEST_F(CardFileTest, ReadsSettingsAndChannelsFromTheFile) {
  WriteBytes(configFile, SettingsText({{"ProtokollFileName", "log.TXT"},
                                       {"Connectiontype", "4"},
                                       {"IPAddress", "192.168.0.10"},
                                       {"Slot", "3"}}) +
                             ">ChT<\r\nSPS\r\n\tE\r\n\t\t0\r\n\t\t1\r\n\tDB\r\n\t\t10\r\n"
                             "\t\t\t2\r\n\r\n>EOT<\r\n");
  TCard card(0, driver);
  ASSERT_TRUE(card.LoadConfig().Ok());

  EXPECT_EQ(card.Config().Connectiontype, 4);
  EXPECT_EQ(card.Config().IPAddress, "192.168.0.10");
  EXPECT_EQ(card.Config().Slot, 3);
  EXPECT_EQ(card.ChannelLines().size(), 8u);
  ASSERT_EQ(card.Channels().Count(), 3);
  EXPECT_NE(card.Channels().FindChannel("SPS;DB;10;2"), nullptr);
}

TEST_F(CardFileTest, FileErrorsAreReturnedWithTheirKindAndChangeNothing) {
  TCard card(0, driver);
  WriteBytes(configFile, ">ChT<\r\nSPS\r\n");  // the end marker is missing
  EXPECT_EQ(ErrorClassName(card.LoadConfig().Kind), "EListError");
  WriteBytes(configFile, ">ChT<\r\nSPS\r\n\t\t\tE\r\n>EOT<\r\n");  // a level jump
  const TResult loaded = card.LoadConfig();
  EXPECT_EQ(ErrorClassName(loaded.Kind), "ETreeLevelError");
  EXPECT_THAT(card.ChannelLines(), IsEmpty());
  EXPECT_EQ(card.Channels().Count(), 0);
}

// The dialog's save: its changes replace the card's settings and channels.
TSaveChanges DialogChanges(const std::function<void(TConfigInfo&)>& collect,
                           const TStrings& channelLines) {
  TSaveChanges changes;
  changes.OverwriteChanged = [] { return true; };
  changes.Apply = [=](TConfigInfo& settings, TChannelTreeModel& channels) {
    collect(settings);
    channels = TChannelTreeModel::FromLines(channelLines);
    return TResult{};
  };
  return changes;
}

TEST_F(CardFileTest, SaveChangesSavesAndCarriesChannelStateOver) {
  WriteBytes(configFile, ">ChT<\r\nSPS\r\n\tE\r\n\t\t0\r\n\r\n>EOT<\r\n");
  TCard card(0, driver);
  ASSERT_TRUE(card.LoadConfig().Ok());
  TChannel* used = card.Channels().FindChannel("SPS;E;0");
  ASSERT_NE(used, nullptr);
  used->IsFree = false;
  used->ActiveMark = 1;
  used->StateWord = 42;

  EXPECT_TRUE(card.SaveChanges(DialogChanges(
                                   [](TConfigInfo& config) {
                                     config.Connectiontype = 4;
                                     config.IPAddress = "10.1.2.3";
                                   },
                                   {"SPS", "\tE", "\t\t0", "\tA", "\t\t4"}))
                  .Result.Ok());

  EXPECT_EQ(card.Config().Connectiontype, 4);
  // Its own save is no change by another writer: a second save asks nothing.
  TSaveChanges second = DialogChanges([](TConfigInfo&) {}, card.ChannelLines());
  bool asked = false;
  second.OverwriteChanged = [&] { return asked = true; };
  EXPECT_TRUE(card.SaveChanges(second).Result.Ok());
  EXPECT_FALSE(asked);
  EXPECT_THAT(card.ChannelLines(), ElementsAre("SPS", "\tE", "\t\t0", "\tA", "\t\t4"));
  ASSERT_EQ(card.Channels().Count(), 2);
  const TChannel* kept = card.Channels().FindChannel("SPS;E;0");
  ASSERT_NE(kept, nullptr);
  EXPECT_FALSE(kept->IsFree);
  EXPECT_EQ(kept->StateWord, 42u);
  EXPECT_TRUE(card.Channels().FindChannel("SPS;A;4")->IsFree);

  const std::string written = ReadBytes(configFile);
  EXPECT_NE(written.find("Connectiontype=4\r\n"), std::string::npos);
  EXPECT_NE(written.find("IPAddress=10.1.2.3\r\n"), std::string::npos);
  EXPECT_NE(written.find(">ChT<\r\nSPS\r\n\tE\r\n\t\t0\r\n\tA\r\n\t\t4\r\n\r\n>EOT<\r\n"),
            std::string::npos);

  // A new card reads back what was saved.
  TCard again(0, driver);
  ASSERT_TRUE(again.LoadConfig().Ok());
  EXPECT_EQ(again.Config().IPAddress, "10.1.2.3");
  EXPECT_EQ(again.Channels().Count(), 2);
}

TEST_F(CardFileTest, SaveChangesCreatesAMissingFile) {
  TCard card(0, driver);
  EXPECT_TRUE(card.SaveChanges(DialogChanges([](TConfigInfo&) {}, {})).Result.Ok());
  // Cleaned up as OK cleans up: the PLC's root with its areas.
  const std::string written = ReadBytes(configFile);
  EXPECT_THAT(written, ::testing::EndsWith(">ChT<\r\nSPS\r\n\tE\r\n\tA\r\n\tM\r\n\tT\r\n\tZ\r\n"
                                           "\tDB\r\n\r\n>EOT<\r\n"));
  TTextEncoding encoding;
  EXPECT_EQ(ReadTextLines(configFile.string(), encoding).size(), 24u);
}

TEST_F(CardFileTest, ASaveThatFailsIsReturnedNamingTheFile) {
  TCard card(0, driver);
  std::filesystem::create_directories(configFile);  // a folder where the file belongs
  const TResult saved = card.SaveChanges(DialogChanges([](TConfigInfo&) {}, {})).Result;
  EXPECT_EQ(ErrorClassName(saved.Kind), "EFileError");
  EXPECT_THAT(saved.Message, HasSubstr(configFile.string()));
}

}  // namespace
