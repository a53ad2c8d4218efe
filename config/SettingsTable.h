#pragma once
// The fourteen settings of the record in one table: key, member, default and
// the values each may take. Loading, saving, the defaults, the checks, the
// command line and the dialog's fields all read it, so a setting is changed
// in one place.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct ProtoStringValue {
  const char* Label;
  std::int32_t Code;
};

// Index = TConfigInfo::Connectiontype; Code = protocol for daveNewInterface.
// 0..2 serial MPI variants, 3 PPI, 4 ISO over TCP, 5 S7ONLINE.
extern const std::array<ProtoStringValue, 6> ConnectionTypes;
// Index = TConfigInfo::ProfibusSpeedIndex; Code = bus speed code.
extern const std::array<ProtoStringValue, 7> ProfibusSpeeds;

// Index = TConfigInfo::Baudrate; the serial port's rate as text.
extern const std::array<const char*, 5> SerialBaudRates;

// The fourteen settings themselves; TConfigInfo is the record of a file
// that carries them.
struct TSettingValues {
  std::int32_t Connectiontype{};
  std::int32_t Comport{};
  std::int32_t Baudrate{};
  std::int32_t LocalMPI{};
  std::int32_t LocalPPI{};
  std::int32_t RemoteMPI{};
  std::int32_t RemotePPI{};
  std::int32_t ProfibusSpeedIndex{};
  std::string IPAddress;
  std::int32_t IPPort{};
  std::int32_t Rack{};
  std::int32_t Slot{};
  std::string ProtokollFileName;
  std::int32_t WriteProtocol{};
};

// A number setting, as a field of the dialog or a row of the table names it.
using TNumberField = std::int32_t TSettingValues::*;

struct TSetting {
  // As written in the file (looked up there ignoring letter case).
  std::string_view Key;
  // Exactly one of the two: a number setting or a text setting.
  TNumberField Number = nullptr;
  std::string TSettingValues::*Text = nullptr;
  // A number setting's default and inclusive range; a setting that picks an
  // item of a list ranges over the list's indices.
  std::int32_t Default = 0;
  std::int32_t Min = 0;
  std::int32_t Max = 0;
  // A text setting's default for the record of the given configuration
  // file. Text settings take any text that stays on one line of the file.
  std::string (*DefaultText)(const std::string& configFileName) = nullptr;
};

inline constexpr std::size_t kSettingCount = 14;

// In the file's order, which is also the order of --show and of the checks.
const std::array<TSetting, kSettingCount>& SettingsTable();

// The setting with exactly this key (letter case as in the file); nothing
// for any other key.
const TSetting* FindSetting(std::string_view key);

// The row of a number setting, for a field that edits it.
const TSetting& SettingOf(TNumberField member);
