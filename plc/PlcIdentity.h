#pragma once
// The PLC's identity and operating state, taken from the system status
// lists the S7 library reads (daveReadSZL's buffer layout: SZL-ID, index,
// record length, record count as big-endian words, then the records).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// SZL-IDs and the index read with each.
inline constexpr int kSzlComponentIdentification = 0x001C;
inline constexpr int kSzlModuleIdentification = 0x0011;
inline constexpr int kSzlCurrentModeTransition = 0x0424;

enum class TOperatingState { Unknown, Stop, Startup, Run, Hold, Defect };

// The state as the PLC's own display names it ("RUN"), the same in every
// language, so scripts can compare it; "UNKNOWN" when it could not be told.
std::string_view OperatingStateKeyword(TOperatingState state);

// A field the PLC refused, or whose record it did not send, stays empty.
struct TPlcIdentity {
  // The name of the automation system, which tells the PLCs of a plant apart.
  std::optional<std::string> SystemName;        // component record 1
  std::optional<std::string> ModuleTypeName;    // component record 7
  std::optional<std::string> SerialNumber;      // component record 5
  std::optional<std::string> PlantDesignation;  // component record 3
  std::optional<std::string> ModuleName;        // component record 2
  std::optional<std::string> FirmwareVersion;   // module record 7, "V3.2.6"
  std::optional<TOperatingState> OperatingState;
};

// Fills the names, serial number and designation fields from a component
// identification list (SZL 0x001C).
void TakeComponentIdentification(std::span<const std::uint8_t> list, TPlcIdentity& identity);
// Fills the firmware version from a module identification list (SZL
// 0x0011): record 7 when it carries a 'V'-coded version.
void TakeModuleIdentification(std::span<const std::uint8_t> list, TPlcIdentity& identity);
// Fills the operating state from the current mode transition (SZL 0x0424).
void TakeModeTransition(std::span<const std::uint8_t> list, TPlcIdentity& identity);
