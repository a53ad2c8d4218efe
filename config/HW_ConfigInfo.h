#pragma once
// The S7 driver's connection settings record and the tables that turn its
// indices into labels and library codes.
#include <array>
#include <cstdint>
#include <string>

#include "VNUtils.h"

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
