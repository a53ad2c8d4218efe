// The program itself, started in a temporary folder whose drv/ holds the
// stand-in S7 driver and a prepared configuration file. The modal dialog is
// answered through the test build's hook VN_S7_TEST_AUTOCLOSE.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <utility>

#include "tests/app/ProgramProject.h"

using ::testing::HasSubstr;

namespace fs = std::filesystem;

namespace {

class ProgramTest : public TProgramProjectTest {
 protected:
  ProgramTest() : TProgramProjectTest("vn_program_", {"libs7drv.so", "libdigio.so"}) {}

  std::set<std::string> DriverFolder() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir / "drv"))
      names.insert(entry.path().filename().string());
    return names;
  }

  // Runs the program in the temporary folder, answering its windows with
  // answer ("ok" or "cancel"), in the C locale unless language and lang say
  // otherwise (LANGUAGE and LANG).
  TProgramRun Run(const char* answer, const char* language = "", const char* lang = "C") {
    return RunWith({}, {}, answer, language, lang);
  }
  // The same with arguments, started in workingDir (the project folder when
  // empty).
  TProgramRun RunWith(const QStringList& arguments, const fs::path& workingDir, const char* answer,
                      const char* language = "", const char* lang = "C") {
    QProcessEnvironment env = project.Environment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VN_S7_TEST_AUTOCLOSE", answer);
    env.insert("LANG", lang);
    env.insert("LANGUAGE", language);
    return project.Run(VN_AUTOCLOSE_PROGRAM, arguments, env, workingDir);
  }
};

// Settings out of order and indented with blanks, a foreign root, the empty
// last line that every saved file has.
const std::string kPrepared = kPreparedSettings +
                              ">ChT<\r\n"
                              "SPS\r\n"
                              " E\r\n"
                              "  0\r\n"
                              "\tDB\r\n"
                              "\t\t10\r\n"
                              " \t 2\r\n"
                              "OTHER\r\n"
                              "\tE\r\n"
                              "\r\n"
                              ">EOT<\r\n";

const std::string kSavedAfterOk = SavedSettings() + kSavedChannels;

const std::set<std::string> kDriverFolder = {"libs7drv.so", "libdigio.so", "libs7drv.CFG"};

}  // namespace

// OK writes the settings and the normalised channel block; Cancel leaves
// the file as it was.
TEST_F(ProgramTest, OkSavesTheNormalisedFileAndCancelLeavesIt) {
  const std::pair<const char*, std::string> cases[] = {{"ok", kSavedAfterOk},
                                                       {"cancel", kPrepared}};
  for (const auto& [answer, expected] : cases) {
    SCOPED_TRACE(answer);
    WriteConfig(kPrepared);
    const TProgramRun run = Run(answer);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(ConfigBytes(), expected);
    EXPECT_EQ(DriverFolder(), kDriverFolder);
  }
}

// --dir alone still shows the dialog, for the drivers of the folder named.
TEST_F(ProgramTest, DirShowsTheDialogForAnotherFoldersDriver) {
  WriteConfig(kPrepared);
  const fs::path elsewhere = dir / "elsewhere";
  fs::create_directories(elsewhere);
  const TProgramRun run = RunWith({"--dir", QString::fromStdString(dir.string())}, elsewhere, "ok");
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(ConfigBytes(), kSavedAfterOk);
}

TEST_F(ProgramTest, OkWithoutAFileCreatesItFromTheDefaults) {
  const TProgramRun run = Run("ok");
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  const std::string expected =
      SettingsText({{"ProtokollFileName", (dir / "drv" / "libs7drvErrorLog.TXT").string()}}) +
      ">ChT<\r\nSPS\r\n\tE\r\n\tA\r\n\tM\r\n\tT\r\n\tZ\r\n\tDB\r\n"
      "\r\n>EOT<\r\n";
  EXPECT_EQ(ConfigBytes(), expected);
}

TEST_F(ProgramTest, ChannelBlockJumpingTwoLevelsEndsWithExitCodeOne) {
  const std::string broken = "Connectiontype=4\r\n>ChT<\r\nSPS\r\n\tE\r\n\t\t\t7\r\n\r\n>EOT<\r\n";
  for (const char* answer : {"ok", "cancel"}) {
    SCOPED_TRACE(answer);
    WriteConfig(broken);
    const TProgramRun run = Run(answer);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.errors, HasSubstr("box \"Anwendungsfehler\""));
    EXPECT_THAT(run.errors, HasSubstr("Ungültige Ebene (3) für Eintrag \"7\""));
    EXPECT_EQ(ConfigBytes(), broken);
    EXPECT_EQ(DriverFolder(), kDriverFolder);
  }
}

// The program finds its catalogue beside its own file, whatever folder it is
// started in, and follows the user's language settings.
TEST_F(ProgramTest, WithoutAnS7DriverTheBoxSpeaksTheUsersLanguage) {
  fs::remove(dir / "drv" / "libs7drv.so");
  struct TCase {
    const char* language;
    const char* lang;
    const char* box;
  };
  const TCase cases[] = {
      {"", "de_CH.UTF-8", "box \"Fehler\": Im Ordner \""},
      {"de:en", "en_US.UTF-8", "box \"Fehler\": Im Ordner \""},
      {"de", "C", "box \"Error\": No S7 driver was found in the folder \""},
  };
  for (const TCase& row : cases) {
    SCOPED_TRACE(std::string("LANGUAGE=") + row.language + " LANG=" + row.lang);
    const TProgramRun run = Run("ok", row.language, row.lang);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.errors, HasSubstr(row.box));
  }
  EXPECT_EQ(DriverFolder(), std::set<std::string>{"libdigio.so"});
}
