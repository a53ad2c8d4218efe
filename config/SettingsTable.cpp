#include "config/SettingsTable.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <tuple>
#include <type_traits>

#include "plc/nodave/WireLimits.h"

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

// The highest address a frame's spinner can hold (its positions are 16-bit
// signed): the spinner's position is what the dialog stores, so it is the
// limit of the address fields and of --set alike.
constexpr std::int32_t kMaxFieldAddress = std::numeric_limits<std::int16_t>::max();
constexpr std::int32_t kComPorts = 9;
constexpr std::int32_t kMaxPartner = 100;
constexpr std::int32_t kMaxTcpNumber = 65535;

// The last index of a list a setting picks from.
template <class List>
constexpr std::int32_t kLastIndexOf =
    static_cast<std::int32_t>(std::tuple_size_v<std::remove_cvref_t<List>>) - 1;

constexpr TSetting Number(std::string_view key, TNumberField member, std::int32_t defaultValue,
                          std::int32_t min, std::int32_t max) {
  return {key, member, nullptr, defaultValue, min, max, nullptr};
}
constexpr TSetting Text(std::string_view key, std::string TSettingValues::*member,
                        std::string (*defaultText)(const std::string&)) {
  return {key, nullptr, member, 0, 0, 0, defaultText};
}

// The configuration file's name with "ErrorLog.TXT" for its extension, in
// its folder; a bare file name has no folder, so the log goes beside it
// rather than into "/".
std::string DefaultProtocolFileName(const std::string& configFileName) {
  if (configFileName.empty()) return "ErrorLog.TXT";
  const std::size_t slash = configFileName.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::string name = configFileName.substr(nameStart);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  name += "ErrorLog.TXT";
  if (slash == std::string::npos) return name;
  return configFileName.substr(0, slash) + "/" + name;
}

std::string DefaultIPAddress(const std::string&) {
  return "192.168.0.1";
}

constexpr std::array<TSetting, kSettingCount> kSettings{{
    Number("WriteProtocol", &TSettingValues::WriteProtocol, 0, 0, 1),
    Text("ProtokollFileName", &TSettingValues::ProtokollFileName, DefaultProtocolFileName),
    Number("Comport", &TSettingValues::Comport, 2, 1, kComPorts),
    Number("Connectiontype", &TSettingValues::Connectiontype, 0, 0,
           kLastIndexOf<decltype(ConnectionTypes)>),
    Number("Baudrate", &TSettingValues::Baudrate, 0, 0, kLastIndexOf<decltype(SerialBaudRates)>),
    Number("LocalMPI", &TSettingValues::LocalMPI, 0, 0, kMaxFieldAddress),
    Number("LocalPPI", &TSettingValues::LocalPPI, 0, 0, kMaxFieldAddress),
    Number("RemoteMPI", &TSettingValues::RemoteMPI, 2, 1, kMaxPartner),
    Number("RemotePPI", &TSettingValues::RemotePPI, 2, 0, kMaxFieldAddress),
    Number("ProfibusSpeedIndex", &TSettingValues::ProfibusSpeedIndex, 2, 0,
           kLastIndexOf<decltype(ProfibusSpeeds)>),
    Text("IPAddress", &TSettingValues::IPAddress, DefaultIPAddress),
    Number("IPPort", &TSettingValues::IPPort, nodave::kIsoTcpPort, 1, kMaxTcpNumber),
    Number("Rack", &TSettingValues::Rack, 0, 0, kMaxTcpNumber),
    Number("Slot", &TSettingValues::Slot, 2, 0, kMaxTcpNumber),
}};

// Each row is a number or a text with its default, and every default is a
// value the checks accept.
constexpr bool WellFormed(const TSetting& s) {
  if (s.Number) return !s.Text && s.Default >= s.Min && s.Default <= s.Max;
  return s.Text && s.DefaultText;
}
static_assert(std::all_of(kSettings.begin(), kSettings.end(), WellFormed));

}  // namespace

const std::array<TSetting, kSettingCount>& SettingsTable() {
  return kSettings;
}

const TSetting* FindSetting(std::string_view key) {
  const auto found = std::find_if(kSettings.begin(), kSettings.end(),
                                  [key](const TSetting& s) { return s.Key == key; });
  return found == kSettings.end() ? nullptr : &*found;
}

const TSetting& SettingOf(TNumberField member) {
  const auto found = std::find_if(kSettings.begin(), kSettings.end(), [member](const TSetting& s) {
    return member && s.Number == member;
  });
  if (found == kSettings.end()) throw std::logic_error("no number setting for this member");
  return *found;
}
