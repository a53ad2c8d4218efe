#include "HW_ConfigInfo.h"

#include <cstddef>
#include <optional>
#include <string_view>

const std::array<ProtoStringValue, 6> ConnectionTypes{{
    {"MPI (S7 300/400)", 0},
    {"MPI (S7 300/400) Zorbel's version", 1},
    {"MPI (S7 300/400) Zorbel's version + STX", 2},
    {"PPI (S7 200)", 10},
    {"ISO over TCP (S7 300/400)", 122},
    {"S7ONLINE", 50},
}};

// Ordered by code, not by rate: "45k" and "93k" follow "1500k".
const std::array<const char*, 5> SerialBaudRates{"9600", "19200", "38400", "57600", "115200"};

const std::array<ProtoStringValue, 7> ProfibusSpeeds{{
    {"9k", 0},
    {"19k", 1},
    {"187k", 2},
    {"500k", 3},
    {"1500k", 4},
    {"45k", 5},
    {"93k", 6},
}};

namespace {

// The keys in the order they are read and written.
enum TKey : std::size_t {
  kWriteProtocol,
  kProtokollFileName,
  kComport,
  kConnectiontype,
  kBaudrate,
  kLocalMPI,
  kLocalPPI,
  kRemoteMPI,
  kRemotePPI,
  kProfibusSpeedIndex,
  kIPAddress,
  kIPPort,
  kRack,
  kSlot,
  kKeyCount
};

constexpr std::array<std::string_view, kKeyCount> kKeyNames{"WriteProtocol", "ProtokollFileName",
                                                            "Comport",       "Connectiontype",
                                                            "Baudrate",      "LocalMPI",
                                                            "LocalPPI",      "RemoteMPI",
                                                            "RemotePPI",     "ProfibusSpeedIndex",
                                                            "IPAddress",     "IPPort",
                                                            "Rack",          "Slot"};

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

// For every key the value of the first line "key=value" from the top; keys
// without such a line keep no value (read as the empty text). One pass over
// the lines, so that a key missing from a long file costs no extra scans.
std::array<std::optional<std::string_view>, kKeyCount> LookUpValues(const TStrings& lines) {
  std::array<std::optional<std::string_view>, kKeyCount> values;
  std::size_t missing = kKeyCount;
  for (const std::string& line : lines) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string_view key(line.data(), eq);
    for (std::size_t k = 0; k < kKeyCount; ++k) {
      if (values[k] || !EqualsIgnoringCase(key, kKeyNames[k])) continue;
      values[k] = std::string_view(line).substr(eq + 1);
      --missing;
      break;
    }
    if (missing == 0) break;
  }
  return values;
}

// The file-name part after the last "/" and the folder before it.
std::string DefaultProtocolFileName(const std::string& configFileName) {
  if (configFileName.empty()) return "ErrorLog.TXT";
  const std::size_t slash = configFileName.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::string name = configFileName.substr(nameStart);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  name += "ErrorLog.TXT";
  // A bare file name has no folder: the log goes beside it, not into "/".
  if (slash == std::string::npos) return name;
  return configFileName.substr(0, slash) + "/" + name;
}

}  // namespace

TConfigInfo::TConfigInfo(std::string configFileName) : ConfigFileName(std::move(configFileName)) {
  SetDefaults();
}

void TConfigInfo::SetDefaults() {
  Connectiontype = 0;
  Comport = 2;
  Baudrate = 0;
  LocalMPI = 0;
  LocalPPI = 0;
  RemoteMPI = 2;
  RemotePPI = 2;
  ProfibusSpeedIndex = 2;
  IPAddress = "192.168.0.1";
  IPPort = 102;
  Rack = 0;
  Slot = 2;
  ProtokollFileName = DefaultProtocolFileName(ConfigFileName);
  WriteProtocol = 0;
}

void TConfigInfo::CopyFrom(const TConfigInfo& other) {
  if (&other == this) return;
  const std::string ownFile = ConfigFileName;
  *this = other;
  ConfigFileName = ownFile;
}

void TConfigInfo::LoadFromList(const TStrings& lines) {
  const auto values = LookUpValues(lines);
  auto text = [&](TKey key) { return std::string(values[key].value_or(std::string_view{})); };

  // Fields are assigned in key order; the first unreadable number makes the
  // whole record fall back to its defaults, silently.
  const std::array<std::pair<TKey, std::int32_t*>, 12> numbers{{
      {kWriteProtocol, &WriteProtocol},
      {kComport, &Comport},
      {kConnectiontype, &Connectiontype},
      {kBaudrate, &Baudrate},
      {kLocalMPI, &LocalMPI},
      {kLocalPPI, &LocalPPI},
      {kRemoteMPI, &RemoteMPI},
      {kRemotePPI, &RemotePPI},
      {kProfibusSpeedIndex, &ProfibusSpeedIndex},
      {kIPPort, &IPPort},
      {kRack, &Rack},
      {kSlot, &Slot},
  }};
  ProtokollFileName = text(kProtokollFileName);
  IPAddress = text(kIPAddress);
  for (const auto& [key, field] : numbers) {
    const auto value = TryStrToInt(values[key].value_or(std::string_view{}));
    if (!value) {
      SetDefaults();
      return;
    }
    *field = *value;
  }
}

void TConfigInfo::SaveToList(TStrings& lines) const {
  auto add = [&](TKey key, const std::string& value) {
    lines.push_back(std::string(kKeyNames[key]) + "=" + value);
  };
  auto number = [](std::int32_t value) { return std::to_string(value); };
  add(kWriteProtocol, number(WriteProtocol));
  add(kProtokollFileName, ProtokollFileName);
  add(kComport, number(Comport));
  add(kConnectiontype, number(Connectiontype));
  add(kBaudrate, number(Baudrate));
  add(kLocalMPI, number(LocalMPI));
  add(kLocalPPI, number(LocalPPI));
  add(kRemoteMPI, number(RemoteMPI));
  add(kRemotePPI, number(RemotePPI));
  add(kProfibusSpeedIndex, number(ProfibusSpeedIndex));
  add(kIPAddress, IPAddress);
  add(kIPPort, number(IPPort));
  add(kRack, number(Rack));
  add(kSlot, number(Slot));
}
