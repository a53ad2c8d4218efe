#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>

#include "HW_ConfigInfo.h"

namespace {

// All fourteen settings, for comparing two records at once.
auto Settings(const TConfigInfo& c) {
  return std::make_tuple(c.Connectiontype, c.Comport, c.Baudrate, c.LocalMPI, c.LocalPPI,
                         c.RemoteMPI, c.RemotePPI, c.ProfibusSpeedIndex, c.IPAddress, c.IPPort,
                         c.Rack, c.Slot, c.ProtokollFileName, c.WriteProtocol);
}

const char* const kConfigFile = "/suite/drv/S7DRV.CFG";

// A complete set of lines whose every value differs from the default.
TStrings NonDefaultLines() {
  return {"WriteProtocol=1",
          "ProtokollFileName=/log/x.txt",
          "Comport=5",
          "Connectiontype=4",
          "Baudrate=3",
          "LocalMPI=1",
          "LocalPPI=3",
          "RemoteMPI=4",
          "RemotePPI=5",
          "ProfibusSpeedIndex=6",
          "IPAddress=10.0.0.7",
          "IPPort=1102",
          "Rack=1",
          "Slot=3"};
}

TStrings Replaced(TStrings lines, const std::string& key, const std::string& line) {
  auto it = std::find_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.rfind(key + "=", 0) == 0; });
  if (line.empty())
    lines.erase(it);
  else
    *it = line;
  return lines;
}

TEST(ConfigInfo, DefaultsAreSavedAsTheFourteenLines) {
  TConfigInfo config(kConfigFile);
  TStrings lines{"kept"};
  config.SaveToList(lines);  // appends, the list is not cleared
  const TStrings expected{"kept",
                          "WriteProtocol=0",
                          "ProtokollFileName=/suite/drv/S7DRVErrorLog.TXT",
                          "Comport=2",
                          "Connectiontype=0",
                          "Baudrate=0",
                          "LocalMPI=0",
                          "LocalPPI=0",
                          "RemoteMPI=2",
                          "RemotePPI=2",
                          "ProfibusSpeedIndex=2",
                          "IPAddress=192.168.0.1",
                          "IPPort=102",
                          "Rack=0",
                          "Slot=2"};
  EXPECT_EQ(lines, expected);
}

TEST(ConfigInfo, ProtocolFileNameIsDerivedFromTheConfigurationFile) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "ErrorLog.TXT"},
      {"/suite/drv/S7DRV.CFG", "/suite/drv/S7DRVErrorLog.TXT"},
      {"drv/libs7drv.CFG", "drv/libs7drvErrorLog.TXT"},
      {"/x.CFG", "/xErrorLog.TXT"},
      {"/a.b/noext", "/a.b/noextErrorLog.TXT"},  // a dot in a folder is no extension
      {"/d/a.tar.CFG", "/d/a.tarErrorLog.TXT"},
      // Without a folder the log stays beside the file instead of landing in "/".
      {"S7DRV.CFG", "S7DRVErrorLog.TXT"},
  };
  for (const auto& [file, expected] : cases)
    EXPECT_EQ(TConfigInfo(file).ProtokollFileName, expected) << file;
}

TEST(ConfigInfo, LoadFromListReadsEveryKey) {
  TConfigInfo config(kConfigFile);
  config.LoadFromList(NonDefaultLines());
  EXPECT_EQ(Settings(config), std::make_tuple(4, 5, 3, 1, 3, 4, 5, 6, std::string("10.0.0.7"), 1102,
                                              1, 3, std::string("/log/x.txt"), 1));
  EXPECT_EQ(config.ConfigFileName, kConfigFile);
}

struct LoadCase {
  const char* Why;
  TStrings Lines;
  std::function<bool(const TConfigInfo&)> Holds;
};

TEST(ConfigInfo, LoadFromListLookUpAndConversion) {
  const TStrings base = NonDefaultLines();
  const TConfigInfo defaults(kConfigFile);
  auto isDefault = [&](const TConfigInfo& c) { return Settings(c) == Settings(defaults); };
  const LoadCase cases[] = {
      {"key letter case is ignored", Replaced(base, "Comport", "comport=7"),
       [](auto& c) { return c.Comport == 7; }},
      {"upper case key", Replaced(base, "Comport", "COMPORT=8"),
       [](auto& c) { return c.Comport == 8; }},
      {"hexadecimal", Replaced(base, "Comport", "Comport=$A"),
       [](auto& c) { return c.Comport == 10; }},
      {"leading blank in the value", Replaced(base, "Comport", "Comport= 7"),
       [](auto& c) { return c.Comport == 7 && c.Slot == 3; }},
      {"trailing blank in the value", Replaced(base, "Comport", "Comport=7 "), isDefault},
      {"blank before '=' does not match the key", Replaced(base, "Comport", "Comport =2"),
       isDefault},
      {"missing Slot resets everything", Replaced(base, "Slot", ""), isDefault},
      {"number outside 32 bits", Replaced(base, "Rack", "Rack=2147483648"), isDefault},
      {"empty IPAddress is no error", Replaced(base, "IPAddress", "IPAddress="),
       [](auto& c) { return c.IPAddress.empty() && c.Comport == 5; }},
      {"missing ProtokollFileName is no error", Replaced(base, "ProtokollFileName", ""),
       [](auto& c) { return c.ProtokollFileName.empty() && c.Comport == 5; }},
      {"value is everything after the first '='", Replaced(base, "IPAddress", "IPAddress=a=b "),
       [](auto& c) { return c.IPAddress == "a=b "; }},
  };
  for (const LoadCase& c : cases) {
    TConfigInfo config(kConfigFile);
    config.LoadFromList(c.Lines);
    EXPECT_TRUE(c.Holds(config)) << c.Why;
  }
}

TEST(ConfigInfo, FirstMatchingLineWins) {
  TStrings lines = NonDefaultLines();
  lines.push_back("Rack=9");  // below the first Rack=1
  lines.insert(lines.begin(), "no key here");
  TConfigInfo config(kConfigFile);
  config.LoadFromList(lines);
  EXPECT_EQ(config.Rack, 1);
}

TEST(ConfigInfo, FallBackDerivesTheProtocolFileAfresh) {
  TConfigInfo config(kConfigFile);
  config.ProtokollFileName = "/elsewhere.txt";
  config.Comport = 9;
  config.LoadFromList(Replaced(NonDefaultLines(), "Baudrate", "Baudrate=fast"));
  EXPECT_EQ(config.ProtokollFileName, "/suite/drv/S7DRVErrorLog.TXT");
  EXPECT_EQ(config.Comport, 2);
}

TEST(ConfigInfo, SavedLinesLoadBackUnchanged) {
  TConfigInfo original("/a/b.CFG");
  original.Connectiontype = 5;
  original.Comport = std::numeric_limits<std::int32_t>::min();
  original.Baudrate = std::numeric_limits<std::int32_t>::max();
  original.LocalMPI = -1;
  original.RemotePPI = 126;
  original.IPAddress = "host=name ;x";
  original.ProtokollFileName = "";
  original.WriteProtocol = 7;
  TStrings lines;
  original.SaveToList(lines);
  TConfigInfo loaded("/other.CFG");
  loaded.LoadFromList(lines);
  EXPECT_EQ(Settings(loaded), Settings(original));
}

TEST(ConfigInfo, CopyFromKeepsTheOwnFileName) {
  TConfigInfo source(kConfigFile);
  source.LoadFromList(NonDefaultLines());
  TConfigInfo copy("");
  copy.CopyFrom(source);
  EXPECT_EQ(Settings(copy), Settings(source));
  EXPECT_EQ(copy.ConfigFileName, "");
}

}  // namespace
