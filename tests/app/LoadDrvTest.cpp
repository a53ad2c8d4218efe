// The driver loader and the search for the S7 driver, over copies of the
// stand-in drivers in temporary folders.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/DriverDiscovery.h"
#include "app/DriverTrust.h"
#include "app/load_drv.h"
#include "tests/app/DriverFolder.h"

namespace {

const fs::path kS7Driver = kDemoDrivers / "libs7drv.so";
const fs::path kOtherDriver = kDemoDrivers / "libdigio.so";
const fs::path kSecondS7Driver = kFixtureDrivers / "libs7other.so";
const fs::path kLowerCaseMark = kFixtureDrivers / "libs7lower.so";
const fs::path kNoDllEntry = kFixtureDrivers / "libnodll.so";
const fs::path kNoLibrary = kFixtureDrivers / "libnotalib.so";
const fs::path kDescription200 = kFixtureDrivers / "libdesc200.so";
const fs::path kDllEntryOnly = kFixtureDrivers / "libdllonly.so";

std::vector<std::string> LoadedNames() {
  std::vector<std::string> names;
  for (int i = 0; i < DriverCount(); ++i) names.push_back(DriverFileName(i).value_or("?"));
  return names;
}

const std::string kS7Description =
    "S7-Treiber: Siemens S7 SPS über MPI, PPI, ISO over TCP und S7ONLINE";

long CountStartingWith(const std::vector<std::string>& lines, const std::string& start) {
  return std::count_if(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

class LoadDrvTest : public ::testing::Test {
 protected:
  void TearDown() override { UnloadDrivers(); }
  TDriverTrace Trace;
};

TEST_F(LoadDrvTest, LoadsLibrariesByNameSkipsTheRestAndKeepsIndicesDense) {
  TDriverFolder folder;
  folder.Add(kSecondS7Driver, "UPPER.SO");  // the extension's letter case does not matter
  folder.Add(kOtherDriver, "libdigio.so");
  folder.Add(kNoDllEntry, "libnodll.so");
  folder.Add(kNoLibrary, "libnotalib.so");
  folder.Add(kS7Driver, "libs7drv.so");
  folder.Add(kS7Driver, ".hidden.so");
  folder.Add(kS7Driver, "libs7drv.so.txt");
  fs::create_directory(folder.Drv() / "folder.so");
  fs::create_symlink(folder.Drv() / "missing.so", folder.Drv() / "dangling.so");
  fs::create_symlink("libdigio.so", folder.Drv() / "link.so");

  InitDrivers(4711);
  LoadDrivers(folder.Drv().string() + "/*.so");

  EXPECT_EQ(LoadedNames(),
            (std::vector<std::string>{"UPPER.SO", "libdigio.so", "libs7drv.so", "link.so"}));
  EXPECT_EQ(DriverDescription(1), "Digital-E/A-Treiber: 16 Eingänge, 16 Ausgänge");
  UnloadDrivers();

  // DR_DLL gets the window and the library's path, then DR_OpenHw; each
  // driver is closed with the handle it gave, in index order. link.so is
  // libdigio.so once more, so its handle counts on.
  const std::string drv = folder.Drv().string() + "/";
  EXPECT_EQ(Trace.Lines(), (std::vector<std::string>{
                               "DLL 4711 " + drv + "UPPER.SO",
                               "OPEN 1 UPPER.SO",
                               "DLL 4711 " + drv + "libdigio.so",
                               "OPEN 1 libdigio.so",
                               "DLL 4711 " + drv + "libs7drv.so",
                               "OPEN 1 libs7drv.so",
                               "DLL 4711 " + drv + "link.so",
                               "OPEN 2 link.so",
                               "CLOSE 1",
                               "CLOSE 1",
                               "CLOSE 1",
                               "CLOSE 2",
                           }));
}

TEST_F(LoadDrvTest, TheFirstS7DriverByNameIsChosenAndAllAreUnloaded) {
  struct TCase {
    const char* What;
    std::vector<std::pair<fs::path, std::string>> Files;
    std::optional<std::string> Chosen;
  };
  const std::vector<TCase> cases = {
      {"two S7 drivers", {{kS7Driver, "b_s7.so"}, {kSecondS7Driver, "a_s7.so"}}, "a_s7.so"},
      {"the S7 driver is not the first",
       {{kOtherDriver, "libdigio.so"}, {kS7Driver, "libs7drv.so"}},
       "libs7drv.so"},
      {"the mark in another letter case", {{kLowerCaseMark, "libs7lower.so"}}, std::nullopt},
      {"lower case first, then the real mark",
       {{kLowerCaseMark, "a.so"}, {kS7Driver, "b.so"}},
       "b.so"},
      {"an S7 library without DR_DLL is no driver",
       {{kNoDllEntry, "libnodll.so"}, {kOtherDriver, "libz.so"}},
       std::nullopt},
      {"a driver without DR_OpenHw and DR_CloseHw",
       {{kDllEntryOnly, "libdllonly.so"}},
       "libdllonly.so"},
      {"no library at all", {{kNoLibrary, "libnotalib.so"}}, std::nullopt},
      {"an empty folder", {}, std::nullopt},
  };
  for (const auto& c : cases) {
    TDriverFolder folder;
    for (const auto& [source, name] : c.Files) folder.Add(source, name);
    const auto chosen = FindS7Driver(folder.Drv().string());
    if (c.Chosen)
      EXPECT_EQ(chosen, folder.Drv().string() + "/" + *c.Chosen) << c.What;
    else
      EXPECT_EQ(chosen, std::nullopt) << c.What;
    EXPECT_EQ(DriverCount(), 0) << c.What;
  }
  // Every driver opened during the search was closed again.
  const auto lines = Trace.Lines();
  EXPECT_GT(CountStartingWith(lines, "OPEN "), 0);
  EXPECT_EQ(CountStartingWith(lines, "OPEN "), CountStartingWith(lines, "CLOSE "));
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("unknown") != l.npos; }),
            0);
}

// Another library renamed into the name of a checked one before it is
// loaded changes nothing: the file checked is the file loaded.
TEST_F(LoadDrvTest, WhatIsLoadedIsTheLibraryThatWasChecked) {
  TDriverFolder folder;
  folder.Add(kS7Driver, "libs7drv.so");
  const TDriverLibraries checked = OpenDriverLibraries(folder.Drv().string());
  ASSERT_FALSE(checked.Distrust);
  ASSERT_EQ(checked.Files.size(), 1u);
  folder.Add(kOtherDriver, "swap.so");
  fs::rename(folder.Drv() / "swap.so", folder.Drv() / "libs7drv.so");

  InitDrivers(0);
  ASSERT_TRUE(LoadDriver(checked.Files[0]));
  EXPECT_EQ(DriverDescription(0), kS7Description);
  EXPECT_EQ(DriverFileName(0), "libs7drv.so");
}

TEST_F(LoadDrvTest, AMissingDriverFolderIsLikeAnEmptyOne) {
  TDriverFolder folder;
  EXPECT_EQ(FindS7Driver((folder.Project() / "nowhere").string()), std::nullopt);
  EXPECT_FALSE(LoadDriver((folder.Drv() / "missing.so").string()));
  EXPECT_EQ(DriverCount(), 0);
}

TEST_F(LoadDrvTest, ADescriptionOf200CharactersIsKeptWhole) {
  TDriverFolder folder;
  folder.Add(kDescription200, "libdesc200.so");
  InitDrivers(0);
  LoadDrivers(folder.Drv().string() + "/*.so");
  std::string expected;
  for (int i = 0; i < 20; ++i) expected += "0123456789";
  EXPECT_EQ(DriverDescription(0), expected);

  char buffer[2049];
  ASSERT_TRUE(GetDriverDescription(0, buffer, 2048));
  EXPECT_EQ(std::string(buffer), expected);
}

TEST_F(LoadDrvTest, ALibraryPathLongerThan200CharactersWorks) {
  const std::string longName(80, 'p');
  TDriverFolder folder(fs::path(longName) / longName / longName);
  folder.Add(kS7Driver, "libs7drv.so");
  const std::string expected = folder.Drv().string() + "/libs7drv.so";
  ASSERT_GT(expected.size(), 250u);

  EXPECT_EQ(FindS7Driver(folder.Drv().string()), expected);
  // The driver saw the whole path in its exchange buffer.
  const auto lines = Trace.Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "DLL 0 " + expected), lines.end());
}

TEST_F(LoadDrvTest, LookUpsByIndexKeepToTheListAndTheBuffer) {
  TDriverFolder folder;
  folder.Add(kOtherDriver, "libdigio.so");
  folder.Add(kS7Driver, "libs7drv.so");
  InitDrivers(0);
  LoadDrivers(folder.Drv().string() + "/*.so");
  ASSERT_EQ(DriverCount(), 2);

  struct TCase {
    int Index;
    std::size_t MaxLength;
    bool Found;
    std::string Description, FileName;
  };
  const std::vector<TCase> cases = {
      {-1, 100, false, "", ""},
      {2, 100, false, "", ""},  // the number of drivers
      {1, 100, true, kS7Description, "libs7drv.so"},
      {1, 10, true, "S7-Treiber", "libs7drv.s"},
      {0, 0, true, "", ""},
  };
  for (const auto& c : cases) {
    std::vector<char> description(c.MaxLength + 2, '#');
    std::vector<char> fileName(c.MaxLength + 2, '#');
    EXPECT_EQ(GetDriverDescription(c.Index, description.data(), c.MaxLength), c.Found) << c.Index;
    EXPECT_EQ(GetDriverFileName(c.Index, fileName.data(), c.MaxLength), c.Found) << c.Index;
    if (c.Found) {
      EXPECT_EQ(std::string(description.data()), c.Description) << c.Index;
      EXPECT_EQ(std::string(fileName.data()), c.FileName) << c.Index;
    } else {
      EXPECT_EQ(description[0], '#') << "buffer touched for index " << c.Index;
      EXPECT_EQ(fileName[0], '#') << "buffer touched for index " << c.Index;
    }
    EXPECT_EQ(description.back(), '#');
    EXPECT_EQ(fileName.back(), '#');
  }
}

TEST_F(LoadDrvTest, UnloadingTwiceClosesNothingTheSecondTime) {
  TDriverFolder folder;
  folder.Add(kS7Driver, "libs7drv.so");
  folder.Add(kDllEntryOnly, "libdllonly.so");
  InitDrivers(0);
  LoadDrivers(folder.Drv().string() + "/*.so");
  ASSERT_EQ(DriverCount(), 2);
  UnloadDrivers();
  const auto afterFirst = Trace.Lines();
  UnloadDrivers();
  EXPECT_EQ(Trace.Lines(), afterFirst);
  // Only the driver that was opened is closed.
  EXPECT_EQ(CountStartingWith(afterFirst, "CLOSE "), 1);
  char buffer[16] = "untouched";
  EXPECT_FALSE(GetDriverDescription(0, buffer, 15));
  EXPECT_STREQ(buffer, "untouched");
}

TEST_F(LoadDrvTest, TheDriverFolderIsBelowTheCurrentFolder) {
  TDriverFolder folder;
  folder.Add(kS7Driver, "libs7drv.so");
  const fs::path previous = fs::current_path();
  fs::current_path(folder.Project());
  const std::string driverFolder = CurrentDriverFolder();
  const auto chosen = FindS7Driver(driverFolder);
  fs::current_path(previous);

  EXPECT_EQ(fs::path(driverFolder), fs::canonical(folder.Project()) / "drv");
  EXPECT_EQ(chosen, driverFolder + "/libs7drv.so");
}

}  // namespace
