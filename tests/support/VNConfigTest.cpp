#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/VNConfig.h"
#include "support/VNErrors.h"
#include "tests/support/testsupport/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// Every test gets its own empty user settings folder; the real user's
// settings are never touched.
class VNConfigTest : public TempFolderTest {
 protected:
  void SetUp() override {
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir));
    Options = TVNOptionsX{};
    Options.DefaultUser = "untouched";
  }

  // Writes values into the group the options are read from.
  void Store(const std::vector<std::pair<const char*, QVariant>>& values) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Arbelon", "Vornic 7");
    settings.beginGroup("General Settings");
    for (const auto& [name, value] : values) settings.setValue(name, value);
  }

  QString SettingsFile() const {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Arbelon", "Vornic 7")
        .fileName();
  }
};

TEST_F(VNConfigTest, WithoutSettingsEveryFieldHasItsDefaultAndTheEmptyFileIsCreated) {
  ASSERT_FALSE(QFileInfo::exists(SettingsFile()));
  ReadOptions();

  EXPECT_FALSE(Options.AutoInfoOpen);
  EXPECT_TRUE(Options.AutoInfoSave);
  EXPECT_EQ(Options.DefaultUser, "");
  EXPECT_EQ(Options.DefaultDepartment, "");
  EXPECT_EQ(Options.TempPath, QDir::tempPath().toStdString());
  EXPECT_EQ(Options.DefaultLineWidth, 2);
  EXPECT_EQ(Options.DefaultGridMode, 0);
  EXPECT_EQ(Options.DefaultFloatWidth, 16);
  EXPECT_EQ(Options.DefaultFloatPrecision, 12);
  EXPECT_EQ(Options.DefaultFloatNotation, 0);
  EXPECT_TRUE(Options.TooltipHelp);
  EXPECT_FALSE(Options.CreateBakFiles);
  // red + 256 * green + 65536 * blue
  const std::array<std::array<int, 3>, 16> rgb = {{{0, 0, 0},
                                                   {0, 0, 255},
                                                   {128, 0, 128},
                                                   {0, 128, 0},
                                                   {0, 128, 128},
                                                   {128, 0, 0},
                                                   {255, 0, 0},
                                                   {128, 128, 0},
                                                   {255, 255, 0},
                                                   {0, 0, 128},
                                                   {128, 128, 128},
                                                   {0, 255, 0},
                                                   {0, 255, 255},
                                                   {255, 0, 255},
                                                   {192, 192, 192},
                                                   {255, 255, 255}}};
  for (std::size_t i = 0; i < rgb.size(); ++i)
    EXPECT_EQ(Options.DefaultColors[i], rgb[i][0] + 256 * rgb[i][1] + 65536 * rgb[i][2])
        << "colour " << i;

  // The key exists now, but reading wrote no group into it.
  QFileInfo file(SettingsFile());
  EXPECT_TRUE(file.exists());
  EXPECT_EQ(file.size(), 0);
}

TEST_F(VNConfigTest, StoredTextsAreReadAndUnreadableNumbersGiveTheDefault) {
  Store({{"Auto Info Open", "x1"},
         {"Auto Info Save", "0"},
         {"Create Bak Files", "true"},  // not a number: the default
         {"Default User", QString::fromUtf8("Jürgen Müller")},
         {"Default Department", ""},
         {"Temp Path", "/var/tmp/vornic"},
         {"Default Line Width", "$FF"},
         {"Default Grid Mode", "0x10"},
         {"Default Float Width", "255"},
         {"Default Float Precision", "zwölf"},
         {"Default Float Notation", " 3"},
         {"Default Color 0", "$00FF00"},
         {"Default Color 1", "blau"},
         {"Default Color 15", "-1"}});
  ReadOptions();

  EXPECT_TRUE(Options.AutoInfoOpen);
  EXPECT_FALSE(Options.AutoInfoSave);
  EXPECT_FALSE(Options.CreateBakFiles);
  EXPECT_EQ(Options.DefaultUser, "Jürgen Müller");
  EXPECT_EQ(Options.DefaultDepartment, "");
  EXPECT_EQ(Options.TempPath, "/var/tmp/vornic");
  EXPECT_EQ(Options.DefaultLineWidth, 255);
  EXPECT_EQ(Options.DefaultGridMode, 16);
  EXPECT_EQ(Options.DefaultFloatWidth, 255);
  EXPECT_EQ(Options.DefaultFloatPrecision, 12);
  EXPECT_EQ(Options.DefaultFloatNotation, 3);
  EXPECT_EQ(Options.DefaultColors[0], 65280);
  EXPECT_EQ(Options.DefaultColors[1], 16711680);
  EXPECT_EQ(Options.DefaultColors[15], -1);
}

TEST_F(VNConfigTest, TooltipHelpIsTrueForEveryNumberButZero) {
  const std::vector<std::pair<QString, bool>> cases = {
      {"0", false}, {"5", true}, {"yes", true}, {"$0", false}, {"-1", true}, {"", true},
  };
  for (const auto& [text, expected] : cases) {
    Store({{"Tooltip Help", text}});
    ReadOptions();
    EXPECT_EQ(Options.TooltipHelp, expected) << text.toStdString();
  }
}

TEST_F(VNConfigTest, EightBitFieldsOutside0To255StopTheReading) {
  const std::vector<std::pair<const char*, QString>> cases = {
      {"Default Line Width", "256"},       {"Default Grid Mode", "-1"},
      {"Default Float Width", "$100"},     {"Default Float Precision", "1000"},
      {"Default Float Notation", "0x1FF"},
  };
  for (const auto& [name, text] : cases) {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Arbelon", "Vornic 7").clear();
    Store({{name, text}, {"Default User", "Erna"}});
    try {
      ReadOptions();
      ADD_FAILURE() << name << "=" << text.toStdString() << " was accepted";
    } catch (const ERangeError& error) {
      const std::string message = error.what();
      EXPECT_NE(message.find(name), std::string::npos) << message;
      EXPECT_NE(message.find("0..255"), std::string::npos) << message;
      EXPECT_NE(message.find(SettingsFile().toStdString()), std::string::npos) << message;
    }
    EXPECT_EQ(Options.DefaultUser, "untouched") << "a failed read must not half-fill Options";
  }
}

TEST_F(VNConfigTest, AValueThatIsNoTextIsAReadError) {
  Store({{"Default Department", QStringList{"Entwicklung", "Vertrieb"}}});
  try {
    ReadOptions();
    ADD_FAILURE() << "a list was read as text";
  } catch (const EConvertError& error) {
    EXPECT_NE(std::string(error.what()).find("Default Department"), std::string::npos);
  }
}

// Root started with another user's HOME (su without "-") finds that user's
// folder where the options are kept: neither a folder nor a link of theirs
// makes it read or create a file; the options keep their defaults.
TEST_F(VNConfigTest, OnlyTheRunningUsersOwnOptionsFileIsReadOrCreated) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving files to another user needs root";
  const fs::path options = dir / "Arbelon", elsewhere = dir / "elsewhere";
  const auto giveAway = [](const fs::path& path) {
    ASSERT_EQ(::lchown(path.c_str(), 4711, 4711), 0);
  };
  const std::pair<const char*, std::function<void()>> rows[] = {
      {"the folder is another user's",
       [&] {
         Store({{"Default User", "Erna"}}), giveAway(options);
       }},
      {"the folder is another user's link",
       [&] {
         fs::create_directory(elsewhere);
         fs::create_directory_symlink(elsewhere, options);
         giveAway(options);
       }},
      {"the file is another user's link",
       [&] {
         fs::create_directories(options);
         fs::create_directory(elsewhere);
         fs::create_symlink(elsewhere / "Vornic 7.conf", options / "Vornic 7.conf");
         giveAway(options / "Vornic 7.conf");
       }},
  };
  for (const auto& [why, make] : rows) {
    SCOPED_TRACE(why);
    fs::remove_all(options);
    fs::remove_all(elsewhere);
    make();
    ReadOptions();
    EXPECT_EQ(Options.DefaultUser, "");
    EXPECT_FALSE(fs::exists(elsewhere / "Vornic 7.conf"));
  }
}

}  // namespace
