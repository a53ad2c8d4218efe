#include "plc/PlcIdentity.h"

#include <algorithm>
#include <vector>

namespace {

using TBytes = std::span<const std::uint8_t>;

constexpr std::size_t kListHeader = 8;
constexpr std::size_t kIndexWord = 2;

// Component identification records: index word, then a text filled up with
// zero bytes to the field's width (a full-width text has no zero).
constexpr std::uint16_t kSystemNameRecord = 0x0001;
constexpr std::uint16_t kModuleNameRecord = 0x0002;
constexpr std::uint16_t kPlantDesignationRecord = 0x0003;
constexpr std::uint16_t kSerialNumberRecord = 0x0005;
constexpr std::uint16_t kModuleTypeNameRecord = 0x0007;
constexpr std::size_t kNameWidth = 24;
constexpr std::size_t kDesignationWidth = 32;

// Module identification: record 7 (basic firmware) holds 'V' and three
// version numbers in its last four bytes.
constexpr std::uint16_t kFirmwareRecord = 0x0007;
constexpr std::size_t kVersionOffset = 24;
constexpr std::uint8_t kVersionMark = 'V';

// Mode transition: the new mode in the low nibble of record byte 3.
constexpr std::size_t kModeOffset = 3;

std::uint16_t Word(TBytes bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

// The records of a list as the library copied them: the count is of whole
// records, but a short or inconsistent buffer still yields nothing beyond it.
std::vector<TBytes> Records(TBytes list) {
  std::vector<TBytes> records;
  if (list.size() < kListHeader) return records;
  const std::size_t length = Word(list, 4);
  const std::size_t count = Word(list, 6);
  if (length < kIndexWord) return records;
  const TBytes body = list.subspan(kListHeader);
  const std::size_t available = std::min(count, body.size() / length);
  for (std::size_t i = 0; i < available; ++i) records.push_back(body.subspan(i * length, length));
  return records;
}

std::optional<TBytes> RecordOf(TBytes list, std::uint16_t index) {
  for (TBytes record : Records(list))
    if (Word(record, 0) == index) return record;
  return std::nullopt;
}

std::optional<std::string> TextOf(TBytes list, std::uint16_t index, std::size_t width) {
  const auto record = RecordOf(list, index);
  if (!record) return std::nullopt;
  const TBytes field = record->subspan(kIndexWord, std::min(width, record->size() - kIndexWord));
  const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  return std::string(field.begin(), end);
}

TOperatingState StateOfMode(std::uint8_t mode) {
  switch (mode) {
    case 0x1:
    case 0x2:
    case 0x3:
    case 0x4:
      return TOperatingState::Stop;
    case 0x5:
    case 0x6:
    case 0x7:
      return TOperatingState::Startup;
    case 0x8:
      return TOperatingState::Run;
    case 0xA:
      return TOperatingState::Hold;
    case 0xD:
      return TOperatingState::Defect;
    default:
      return TOperatingState::Unknown;
  }
}

}  // namespace

void TakeComponentIdentification(TBytes list, TPlcIdentity& identity) {
  identity.SystemName = TextOf(list, kSystemNameRecord, kNameWidth);
  identity.ModuleTypeName = TextOf(list, kModuleTypeNameRecord, kDesignationWidth);
  identity.SerialNumber = TextOf(list, kSerialNumberRecord, kNameWidth);
  identity.PlantDesignation = TextOf(list, kPlantDesignationRecord, kDesignationWidth);
  identity.ModuleName = TextOf(list, kModuleNameRecord, kNameWidth);
}

void TakeModuleIdentification(TBytes list, TPlcIdentity& identity) {
  const auto record = RecordOf(list, kFirmwareRecord);
  if (!record || record->size() < kVersionOffset + 4 || (*record)[kVersionOffset] != kVersionMark)
    return;
  const TBytes version = record->subspan(kVersionOffset + 1, 3);
  identity.FirmwareVersion = "V" + std::to_string(version[0]) + "." + std::to_string(version[1]) +
                             "." + std::to_string(version[2]);
}

void TakeModeTransition(TBytes list, TPlcIdentity& identity) {
  const std::vector<TBytes> records = Records(list);
  if (records.empty() || records.front().size() <= kModeOffset) return;
  identity.OperatingState = StateOfMode(records.front()[kModeOffset] & 0x0F);
}

std::string_view OperatingStateKeyword(TOperatingState state) {
  switch (state) {
    case TOperatingState::Stop:
      return "STOP";
    case TOperatingState::Startup:
      return "STARTUP";
    case TOperatingState::Run:
      return "RUN";
    case TOperatingState::Hold:
      return "HOLD";
    case TOperatingState::Defect:
      return "DEFECT";
    case TOperatingState::Unknown:
      break;
  }
  return "UNKNOWN";
}
