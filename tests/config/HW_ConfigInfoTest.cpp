#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "config/ConnectionType.h"
#include "config/HW_ConfigInfo.h"
#include "config/SettingsCheck.h"
#include "tests/support/testsupport/ConfigTexts.h"

namespace {

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
  TStrings expected = SettingsLines({{"ProtokollFileName", "/suite/drv/S7DRVErrorLog.TXT"}});
  expected.insert(expected.begin(), "kept");
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
  EXPECT_EQ(SettingsLines(SettingsFields(config)), NonDefaultLines());
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
  auto isDefault = [&](const TConfigInfo& c) {
    return SettingsFields(c) == SettingsFields(defaults);
  };
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
  EXPECT_EQ(SettingsFields(loaded), SettingsFields(original));
}

TEST(ConfigInfo, CopyFromKeepsTheOwnFileName) {
  TConfigInfo source(kConfigFile);
  source.LoadFromList(NonDefaultLines());
  TConfigInfo copy("");
  copy.CopyFrom(source);
  EXPECT_EQ(SettingsFields(copy), SettingsFields(source));
  EXPECT_EQ(copy.ConfigFileName, "");
}

std::string FieldText(const TConfigInfo& settings, const std::string& key) {
  TStrings lines;
  settings.SaveToList(lines);
  for (const std::string& line : lines)
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  return "<missing>";
}

// Every value the dialog's lists and fields can produce is accepted, and
// nothing else; a refusal names key, value and the range.
TEST(SettingsCheck, AssignSettingAcceptsWhatTheDialogAccepts) {
  // Each value as the field reads it back.
  const std::pair<const char*, std::vector<const char*>> accepted[] = {
      // Lists: the index of an item.
      {"Connectiontype", {"0", "5"}},
      {"Comport", {"1", "9"}},
      {"Baudrate", {"4"}},
      {"ProfibusSpeedIndex", {"6"}},
      {"RemoteMPI", {"1", "100"}},
      {"WriteProtocol", {"1"}},
      // Addresses: what a spinner can hold.
      {"LocalMPI", {"0", "32767"}},
      {"RemotePPI", {"126"}},
      // Port, rack and slot fields.
      {"IPPort", {"1", "65535"}},
      {"Rack", {"0"}},
      {"Slot", {"65535"}},
      // Text fields: anything on one line.
      {"IPAddress", {"plc.example", ""}},
      {"ProtokollFileName", {"/var/log/s7 log.txt"}},
  };
  for (const auto& [key, values] : accepted) {
    for (const char* value : values) {
      SCOPED_TRACE(std::string(key) + "=" + value);
      TConfigInfo settings(kConfigFile);
      EXPECT_FALSE(AssignSetting(settings, key, value));
      EXPECT_EQ(FieldText(settings, key), value);
    }
  }
  // A plus sign is taken, not kept.
  TConfigInfo plus(kConfigFile);
  EXPECT_FALSE(AssignSetting(plus, "RemotePPI", "+7"));
  EXPECT_EQ(plus.RemotePPI, 7);

  struct Refused {
    const char* Key;
    const char* Range;  // "" for text and unknown keys
    std::vector<const char*> Values;
  };
  const Refused refused[] = {
      {"Connectiontype", "0..5", {"6", "-1"}},
      {"Comport", "1..9", {"0", "10"}},
      {"Baudrate", "0..4", {"5"}},
      {"ProfibusSpeedIndex", "0..6", {"7"}},
      {"RemoteMPI", "1..100", {"0", "101"}},
      {"WriteProtocol", "0..1", {"2"}},
      {"LocalMPI", "0..32767", {"32768"}},
      {"LocalPPI", "0..32767", {"-1"}},
      {"RemotePPI", "0..32767", {"32768"}},
      {"Rack", "0..65535", {"65536"}},
      {"IPPort", "1..65535", {"0", "65536"}},
      // Numbers are decimal, without blanks or anything after them.
      {"Slot", "0..65535", {"65536", "", " 3", "3 ", "$3", "3.0", "++3", "99999999999"}},
      {"IPAddress", "", {"10.0.0.1\n"}},
      {"ProtokollFileName", "", {"a\rb", "tab\there", "del\x7F"}},
      // Keys are spelled as in the file.
      {"slot", "", {"3"}},
      {"Unknown", "", {"3"}},
  };
  for (const Refused& c : refused) {
    for (const char* value : c.Values) {
      SCOPED_TRACE(std::string(c.Key) + "=" + value);
      TConfigInfo settings(kConfigFile);
      const TConfigInfo before = settings;
      const auto refusal = AssignSetting(settings, c.Key, value);
      ASSERT_TRUE(refusal);
      EXPECT_EQ(SettingsFields(settings), SettingsFields(before));
      EXPECT_EQ(refusal->Key, c.Key);
      EXPECT_EQ(refusal->Value, value);
      const std::string range =
          refusal->IsRange() ? std::to_string(*refusal->Min) + ".." + std::to_string(*refusal->Max)
                             : "";
      EXPECT_EQ(range, c.Range);
    }
  }
}

TEST(SettingsCheck, EveryKeyOfTheFileIsASettingKey) {
  TStrings lines;
  TConfigInfo(kConfigFile).SaveToList(lines);
  ASSERT_EQ(lines.size(), 14u);
  for (const std::string& line : lines)
    EXPECT_TRUE(IsSettingKey(line.substr(0, line.find('=')))) << line;
  // The ranges the frames' fields take from here; text settings have none.
  ASSERT_TRUE(SettingRange("IPPort"));
  EXPECT_EQ(SettingRange("IPPort")->Min, 1);
  EXPECT_EQ(SettingRange("IPPort")->Max, 65535);
  EXPECT_EQ(SettingRange("Slot")->Min, 0);
  EXPECT_FALSE(SettingRange("IPAddress"));
  EXPECT_FALSE(SettingRange("ipport"));
}

TEST(SettingsCheck, CheckSettingsNamesTheFirstRefusedSettingInScope) {
  using Field = TNumberField;
  struct CheckCase {
    const char* Name;
    std::vector<std::pair<Field, std::int32_t>> Changes;
    TSettingsScope Scope;
    const char* RefusedKey;  // "" when all are accepted
  };
  const Field type = &TConfigInfo::Connectiontype;
  const Field rate = &TConfigInfo::Baudrate;
  const Field speed = &TConfigInfo::ProfibusSpeedIndex;
  const CheckCase cases[] = {
      {"defaults", {}, TSettingsScope::All, ""},
      {"port of the file's order first",
       {{&TConfigInfo::Comport, 12}, {&TConfigInfo::Slot, -1}},
       TSettingsScope::All,
       "Comport"},
      {"unknown type", {{type, 6}}, TSettingsScope::Connection, "Connectiontype"},
      {"no type selected", {{type, -1}}, TSettingsScope::Connection, "Connectiontype"},
      // Only what the type looks up in a table counts for a connection.
      {"serial rate of a serial type",
       {{type, 3}, {rate, 5}},
       TSettingsScope::Connection,
       "Baudrate"},
      {"serial rate of ISO over TCP", {{type, 4}, {rate, 5}}, TSettingsScope::Connection, ""},
      {"bus speed of MPI",
       {{type, 2}, {speed, -1}},
       TSettingsScope::Connection,
       "ProfibusSpeedIndex"},
      {"bus speed of PPI", {{type, 3}, {speed, -1}}, TSettingsScope::Connection, ""},
      {"port and partner do not count for a connection",
       {{&TConfigInfo::Comport, 0}, {&TConfigInfo::RemoteMPI, 0}},
       TSettingsScope::Connection,
       ""},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TConfigInfo settings(kConfigFile);
    for (const auto& [field, value] : c.Changes) settings.*field = value;
    const auto refused = CheckSettings(settings, c.Scope);
    EXPECT_EQ(refused ? refused->Key : std::string(), c.RefusedKey);
  }
  // Text with a line break.
  TConfigInfo settings(kConfigFile);
  settings.IPAddress = "a\nb";
  const auto refused = CheckSettings(settings, TSettingsScope::All);
  EXPECT_EQ(refused ? refused->Key : std::string(), "IPAddress");
}

TEST(ConnectionType, TraitsFollowTheTableOfTypes) {
  EXPECT_FALSE(ConnectionTypeOf(-1));
  EXPECT_FALSE(ConnectionTypeOf(6));
  for (std::int32_t index = 0; index < 6; ++index) {
    const TConnectionType type = *ConnectionTypeOf(index);
    EXPECT_EQ(IndexOf(type), index);
    EXPECT_EQ(IsMpi(type), index <= 2) << index;
    EXPECT_EQ(IsSerial(type), index <= 3) << index;
  }
  EXPECT_EQ(TraitsOf(TConnectionType::Mpi).Parity, 'O');
  EXPECT_EQ(TraitsOf(TConnectionType::Ppi).Parity, 'E');
}

}  // namespace
