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

class TConfigInfo;

struct TSetting {
  // As written in the file (looked up there ignoring letter case).
  std::string_view Key;
  // Exactly one of the two: a number setting or a text setting.
  std::int32_t TConfigInfo::*Number = nullptr;
  std::string TConfigInfo::*Text = nullptr;
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
const TSetting& SettingOf(std::int32_t TConfigInfo::*member);
