#pragma once
// The S7 driver's connection settings record and the tables that turn its
// indices into labels and library codes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/VNUtils.h"

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

class TConfigInfo {
 public:
  explicit TConfigInfo(std::string configFileName = {});

  // Every setting back to its default; ProtokollFileName derived from
  // ConfigFileName.
  void SetDefaults();
  // Copies the fourteen settings; ConfigFileName stays.
  void CopyFrom(const TConfigInfo& other);
  // Reads the settings by key; any unreadable number resets all to defaults.
  void LoadFromList(const TStrings& lines);
  // Appends the fourteen key=value lines.
  void SaveToList(TStrings& lines) const;

  // The settings; their keys, defaults and ranges are in SettingsTable().
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
  std::string ConfigFileName;
};

struct TSetting;

// The line "Key=value" of setting as SaveToList writes it.
std::string SettingLine(const TConfigInfo& settings, const TSetting& setting);

// Why LoadFromList cannot take a number setting from its lines.
enum class TUnreadWhy {
  Empty,             // "Comport="
  BlankAfterNumber,  // "Comport=7 "
  OutOfRange,        // more than 32 bits
  NoNumber,          // anything else that is no whole number
  NoLine,            // no line carries the key
};

struct TUnreadSetting {
  std::string_view Key;  // as the settings table spells it
  TUnreadWhy Why;
  // The index in lines of the line that gives the value; none for NoLine.
  std::optional<std::size_t> Line;
};

// The number settings LoadFromList cannot read from lines, in key order:
// where there is one, the whole record falls back to its defaults. None
// when no line carries any setting's key: such lines hold no values the
// defaults would replace.
std::vector<TUnreadSetting> UnreadSettings(const TStrings& lines);
