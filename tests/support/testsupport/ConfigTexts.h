#pragma once
// Settings records and the texts of configuration files as the tests build
// them: the fourteen settings in the file's order with their defaults, the
// prepared project file of the program tests, and files whose texts are not
// ASCII in either encoding.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "config/HW_ConfigInfo.h"

using TSettingsValues = std::map<std::string, std::string>;

// The file's layout as the tests know it, apart from the program's own
// table: each key with its default, in the file's order.
// ConfigInfo.DefaultsAreSavedAsTheFourteenLines holds the record to it.
inline const char* const kSettingsLayout =
    "WriteProtocol=0 ProtokollFileName= Comport=2 Connectiontype=0 Baudrate=0 LocalMPI=0 "
    "LocalPPI=0 RemoteMPI=2 RemotePPI=2 ProfibusSpeedIndex=2 IPAddress=192.168.0.1 IPPort=102 "
    "Rack=0 Slot=2";

// Every field of a settings record as its text in the file, by key.
inline TSettingsValues SettingsFields(const TConfigInfo& c) {
  const auto n = [](std::int32_t number) { return std::to_string(number); };
  return {{"Connectiontype", n(c.Connectiontype)},
          {"Comport", n(c.Comport)},
          {"Baudrate", n(c.Baudrate)},
          {"LocalMPI", n(c.LocalMPI)},
          {"LocalPPI", n(c.LocalPPI)},
          {"RemoteMPI", n(c.RemoteMPI)},
          {"RemotePPI", n(c.RemotePPI)},
          {"ProfibusSpeedIndex", n(c.ProfibusSpeedIndex)},
          {"IPAddress", c.IPAddress},
          {"IPPort", n(c.IPPort)},
          {"Rack", n(c.Rack)},
          {"Slot", n(c.Slot)},
          {"WriteProtocol", n(c.WriteProtocol)},
          {"ProtokollFileName", c.ProtokollFileName}};
}

// Settings of the given connection type with a distinct value in every field,
// so that a value taken from the wrong field shows.
inline TConfigInfo DistinctSettings(int connectionType) {
  TConfigInfo s;
  s.Connectiontype = connectionType;
  s.Comport = 3;
  s.Baudrate = 4;
  s.LocalMPI = 11;
  s.LocalPPI = 12;
  s.RemoteMPI = 13;
  s.RemotePPI = 14;
  s.ProfibusSpeedIndex = 6;
  s.IPAddress = "10.0.0.5";
  s.IPPort = 1102;
  s.Rack = 1;
  s.Slot = 3;
  s.WriteProtocol = 1;
  s.ProtokollFileName = "/var/log/s7 errors.txt";
  return s;
}

// The fourteen "Key=Value" lines in the file's order, each with its value in
// values or else its default (ProtokollFileName has none of its own: empty).
inline std::vector<std::string> SettingsLines(const TSettingsValues& values = {}) {
  std::vector<std::string> lines;
  std::size_t used = 0;
  std::istringstream layout(kSettingsLayout);
  for (std::string line; layout >> line;) {
    const std::string key = line.substr(0, line.find('='));
    const auto given = values.find(key);
    used += given != values.end();
    lines.push_back(given == values.end() ? line : key + "=" + given->second);
  }
  EXPECT_EQ(used, values.size()) << "a key that is no setting";
  return lines;
}

// The same lines, each ended by eol.
inline std::string SettingsText(const TSettingsValues& values = {}, const char* eol = "\r\n") {
  std::string text;
  for (const auto& line : SettingsLines(values)) text += line + eol;
  return text;
}

// All fourteen settings, out of the file's order, each with a value other
// than its default.
inline const std::string kPreparedSettings =
    "IPAddress=10.0.0.9\r\nConnectiontype=4\r\nComport=1\r\nBaudrate=3\r\nLocalMPI=5\r\n"
    "LocalPPI=6\r\nRemoteMPI=7\r\nRemotePPI=8\r\nProfibusSpeedIndex=1\r\nIPPort=1102\r\n"
    "Rack=1\r\nSlot=3\r\nWriteProtocol=1\r\nProtokollFileName=errors.txt\r\n";

// The prepared settings as saving writes them: in the file's order, ended
// by eol, with the values in changed instead.
inline std::string SavedSettings(const char* eol = "\r\n", const TSettingsValues& changed = {}) {
  TSettingsValues values = changed;
  std::istringstream prepared(kPreparedSettings);
  for (std::string line; std::getline(prepared, line);) {  // "Key=Value\r"
    const std::size_t is = line.find('=');
    values.emplace(line.substr(0, is), line.substr(is + 1, line.size() - is - 2));  // changed stay
  }
  return SettingsText(values, eol);
}

// A channel block as saving writes it: an address, a data block with an
// offset, the empty last line.
inline const std::string kSavedChannels =
    ">ChT<\r\nSPS\r\n\tE\r\n\t\t0\r\n\tDB\r\n\t\t10\r\n\t\t\t2\r\n\r\n>EOT<\r\n";

inline const std::string kUtf8BomBytes = "\xEF\xBB\xBF";

// A file in the layout the suite writes (ISO over TCP) whose log file name,
// IP address text and one channel node hold umlaut and euro: "ü" and "€" in
// the file's encoding.
inline std::string FieldFile(const std::string& umlaut, const std::string& euro) {
  return SettingsText({{"WriteProtocol", "1"},
                       {"ProtokollFileName", "C:\\Pr" + umlaut + "fung\\log.TXT"},
                       {"Comport", "3"},
                       {"Connectiontype", "4"},
                       {"IPAddress", "plc-" + umlaut}}) +
         ">ChT<\r\nSPS\r\n\tE\r\n\t\t0\r\n\t\t5 " + euro +
         "\r\n\tA\r\n\tM\r\n\tT\r\n\tZ\r\n\tDB\r\n\t\t10\r\n\t\t\t2\r\n\r\n>EOT<\r\n";
}

struct EncodingCase {
  const char* Why;
  std::string Bytes;   // as found on disk
  std::string Umlaut;  // "ü" in the file's encoding
  bool Windows1252;
};

inline std::vector<EncodingCase> EncodingCases() {
  const std::string utf8 = FieldFile("\xC3\xBC", "\xE2\x82\xAC");
  const std::string cp1252 = FieldFile("\xFC", "\x80");
  return {{"UTF-8", utf8, "\xC3\xBC", false},
          {"UTF-8 with byte-order mark", kUtf8BomBytes + utf8, "\xC3\xBC", false},
          {"Windows-1252", cp1252, "\xFC", true},
          {"Windows-1252 behind a byte-order mark", kUtf8BomBytes + cp1252, "\xFC", true}};
}

// What a save writes back: the same bytes without the byte-order mark.
inline std::string WithoutBom(const std::string& bytes) {
  return bytes.rfind(kUtf8BomBytes, 0) == 0 ? bytes.substr(kUtf8BomBytes.size()) : bytes;
}
