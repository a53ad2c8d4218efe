// The program body's endings that come before the dialog: no S7 driver, a
// driver folder others could change, an error raised before the body ran,
// and a configuration file the card cannot read. Each ends with exit code 1
// and one box, and writes nothing.
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "app/HWConfiguratorClass.h"
#include "app/ProgramBody.h"
#include "support/MessageBox.h"
#include "support/VNErrors.h"
#include "tests/app/DriverFolder.h"

using ::testing::HasSubstr;

namespace {

struct TShown {
  std::string Text, Caption;
  unsigned Flags;
};

class ProgramBodyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FPrevious = SetMessageBoxHandler(
        [this](const std::string& text, const std::string& caption, unsigned flags) {
          Shown.push_back({text, caption, flags});
          return IDOK;
        });
    FPreviousFolder = fs::current_path();
  }
  void TearDown() override {
    fs::current_path(FPreviousFolder);
    SetMessageBoxHandler(FPrevious);
  }

  // Runs the body with folder as the current folder.
  int RunIn(const TDriverFolder& folder, std::exception_ptr startupError = nullptr) {
    fs::current_path(folder.Project());
    const int exitCode = RunProgramBody(nullptr, "VN_S7_Config_DRV", startupError);
    fs::current_path(FPreviousFolder);
    return exitCode;
  }

  std::vector<TShown> Shown;
  TDriverTrace Trace;

 private:
  TMessageBoxHandler FPrevious;
  fs::path FPreviousFolder;
};

TEST_F(ProgramBodyTest, WithoutAnS7DriverTheBoxNamesTheFolderSearched) {
  TDriverFolder folder;
  folder.Add(kDemoDrivers / "libdigio.so", "libdigio.so");
  EXPECT_EQ(RunIn(folder), 1);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_NE(Shown[0].Text.find(fs::canonical(folder.Drv()).string()), std::string::npos)
      << Shown[0].Text;
  EXPECT_EQ(Shown[0].Caption, "Error");
  EXPECT_EQ(Shown[0].Flags & MB_ICONERROR, MB_ICONERROR);
}

// Makes the configurator over drv as the user "nobody", in a child: exit
// code 0 when it loaded, 1 when it refused the drivers.
[[noreturn]] void LoadAsNobody(const fs::path& drv) {
  const passwd* nobody = getpwnam("nobody");
  if (!nobody || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
      setuid(nobody->pw_uid) != 0)
    std::_Exit(2);
  try {
    THWConfigClass configurator(nullptr, drv.string());
  } catch (const EUntrustedDriverError&) {
    std::_Exit(1);
  }
  std::_Exit(0);
}

// Every mode makes the configurator, so its check is the one they share.
TEST_F(ProgramBodyTest, DriversAreLoadedOnlyFromAFolderNobodyElseCanChange) {
  using P = fs::perms;
  const P ok = P::owner_all | P::group_read | P::group_exec | P::others_read | P::others_exec;
  const uid_t self = geteuid(), other = self == 65534 ? 65533 : 65534;
  struct Row {
    const char* why;
    P folder, library;
    uid_t owner;                // of the library
    const char *refused, *fix;  // the path refused below the project; null: loaded
    bool byNobody = false;      // loaded by the user "nobody" rather than by the test's user
  };
  for (const Row& row :
       {Row{"owner only", ok, ok, self, nullptr, nullptr},
        Row{"group may write both", ok | P::group_write, ok | P::group_write, self, nullptr,
            nullptr},
        Row{"folder writable by all", P::all, ok, self, "drv", "chmod o-w"},
        Row{"sticky folder writable by all", P::all | P::sticky_bit, ok, self, "drv", "chmod o-w"},
        Row{"library writable by all", ok, ok | P::others_write, self, "drv/libs7drv.so",
            "chmod o-w"},
        Row{"library of another user", ok, ok, other, "drv/libs7drv.so", "chown root"},
        Row{"root's library, loaded by a user", ok, ok, 0, nullptr, nullptr, true}}) {
    SCOPED_TRACE(row.why);
    if (row.owner != self && self != 0) {
      std::cout << "skipped without root: " << row.why << "\n";  // giving a file away needs root
      continue;
    }
    TDriverFolder folder;
    folder.Add(kDemoDrivers / "libs7drv.so", "libs7drv.so");
    ASSERT_EQ(chown((folder.Drv() / "libs7drv.so").c_str(), row.owner, gid_t(-1)), 0);
    fs::permissions(folder.Drv() / "libs7drv.so", row.library);
    fs::permissions(folder.Drv(), row.folder);
    fs::remove(Trace.File());
    if (row.byNobody) {
      fs::permissions(folder.Project(), ok);
      EXPECT_EXIT(LoadAsNobody(folder.Drv()), ::testing::ExitedWithCode(0), "");
      continue;
    }
    std::string refusal;
    try {
      THWConfigClass configurator(nullptr, folder.Drv().string());
    } catch (const EUntrustedDriverError& error) {
      refusal = error.what();
    }
    EXPECT_EQ(Trace.Lines().empty(), row.refused != nullptr) << "loaded: " << refusal;
    if (!row.refused) continue;
    EXPECT_THAT(refusal, HasSubstr("\"" + (folder.Project() / row.refused).string() + "\""));
    EXPECT_THAT(refusal, HasSubstr(row.fix));
  }
}

TEST_F(ProgramBodyTest, AnErrorBeforeTheBodyEndsTheRunBeforeAnyDriverIsLoaded) {
  TDriverFolder folder;
  folder.Add(kDemoDrivers / "libs7drv.so", "libs7drv.so");
  const auto error = std::make_exception_ptr(
      ERangeError("Wert 300 für \"Default Line Width\" außerhalb des Bereichs 0..255"));
  EXPECT_EQ(RunIn(folder, error), 1);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].Caption, "Anwendungsfehler");
  EXPECT_EQ(Shown[0].Text,
            "Exception ERangeError in Modul VN_S7_Config_DRV.\nWert 300 für \"Default Line "
            "Width\" außerhalb des Bereichs 0..255.");
  EXPECT_EQ(Shown[0].Flags, MB_OK | MB_ICONERROR | MB_TASKMODAL);
  EXPECT_TRUE(Trace.Lines().empty());
}

TEST_F(ProgramBodyTest, AConfigurationFileTheCardCannotReadEndsTheRunAndStaysUntouched) {
  TDriverFolder folder;
  folder.Add(kDemoDrivers / "libs7drv.so", "libs7drv.so");
  // The channel block jumps from the first to the third level.
  const std::string content = "Connectiontype=4\r\n>ChT<\r\nSPS\r\n\t\t\tE\r\n\r\n>EOT<\r\n";
  const fs::path configFile = folder.Drv() / "libs7drv.CFG";
  WriteBytes(configFile, content);

  EXPECT_EQ(RunIn(folder), 1);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].Caption, "Anwendungsfehler");
  EXPECT_EQ(Shown[0].Text.rfind("Exception ETreeLevelError in Modul VN_S7_Config_DRV.\n", 0), 0u)
      << Shown[0].Text;
  EXPECT_EQ(ReadBytes(configFile), content);
  // The search was over before the card was made: every driver was closed.
  const auto lines = Trace.Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "CLOSE 1"), 1);
}

}  // namespace
