#pragma once
// The S7 driver's connection settings record.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/SettingsTable.h"
#include "support/VNUtils.h"

// The settings record: the fourteen settings (TSettingValues, with their
// keys, defaults and ranges in SettingsTable()) of one configuration file.
class TConfigInfo : public TSettingValues {
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

  std::string ConfigFileName;
};

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
