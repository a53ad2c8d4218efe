#pragma once
// What the settings record may hold: for every key the values the dialog's
// lists and fields let a user choose. The card refuses to open a connection
// with a table index it cannot use, and the command line refuses to write a
// value the dialog would not have produced.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/HW_ConfigInfo.h"

// A refused setting: its key (as written in the file) and value as text.
// A number field names its inclusive range; a text field has none and
// refuses only what cannot stand on one line of the file.
struct TRefusedSetting {
  std::string Key;
  std::string Value;
  std::optional<std::int32_t> Min;
  std::optional<std::int32_t> Max;
  bool IsRange() const { return Min.has_value(); }
};

enum class TSettingsScope {
  // The settings the chosen connection type looks up in a table (the type
  // itself, the serial transfer rate of the serial types, the bus speed of
  // the MPI types): a value outside its table cannot open a connection.
  Connection,
  // Every setting as the dialog's lists and fields accept it.
  All,
};

// The first refused setting within scope, in the file's key order; nothing
// when all are accepted.
std::optional<TRefusedSetting> CheckSettings(const TConfigInfo& settings,
                                             TSettingsScope scope = TSettingsScope::All);

// The inclusive range a number setting may take (the dialog's field for it
// uses the same); nothing for a text setting or an unknown key.
struct TSettingRange {
  std::int32_t Min;
  std::int32_t Max;
};
std::optional<TSettingRange> SettingRange(std::string_view key);

// The keys of the settings in the file's order.
std::vector<std::string_view> SettingKeys();

// Whether key is one of the settings' keys, letter case as in the file.
bool IsSettingKey(std::string_view key);

// Puts value (text as a user types it: numbers in decimal without blanks)
// into the setting key of settings when the dialog would accept it; the
// refusal otherwise, settings unchanged. key must be a setting key
// (IsSettingKey); any other key is refused with no range.
std::optional<TRefusedSetting> AssignSetting(TConfigInfo& settings, std::string_view key,
                                             std::string_view value);
