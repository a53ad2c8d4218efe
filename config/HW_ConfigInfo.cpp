#include "HW_ConfigInfo.h"

#include <cstddef>
#include <optional>
#include <string_view>

#include "SettingsTable.h"

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

// For every setting (by its place in the table) the value of the first line
// "key=value" from the top; keys without such a line keep no value (read as
// the empty text). One pass over the lines, so that a key missing from a
// long file costs no extra scans.
std::array<std::optional<std::string_view>, kSettingCount> LookUpValues(const TStrings& lines) {
  const auto& settings = SettingsTable();
  std::array<std::optional<std::string_view>, kSettingCount> values;
  std::size_t missing = kSettingCount;
  for (const std::string& line : lines) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string_view key(line.data(), eq);
    for (std::size_t k = 0; k < kSettingCount; ++k) {
      if (values[k] || !EqualsIgnoringCase(key, settings[k].Key)) continue;
      values[k] = std::string_view(line).substr(eq + 1);
      --missing;
      break;
    }
    if (missing == 0) break;
  }
  return values;
}

}  // namespace

TConfigInfo::TConfigInfo(std::string configFileName) : ConfigFileName(std::move(configFileName)) {
  SetDefaults();
}

void TConfigInfo::SetDefaults() {
  for (const TSetting& setting : SettingsTable()) {
    if (setting.Number)
      this->*setting.Number = setting.Default;
    else
      this->*setting.Text = setting.DefaultText(ConfigFileName);
  }
}

void TConfigInfo::CopyFrom(const TConfigInfo& other) {
  if (&other == this) return;
  const std::string ownFile = ConfigFileName;
  *this = other;
  ConfigFileName = ownFile;
}

void TConfigInfo::LoadFromList(const TStrings& lines) {
  const auto values = LookUpValues(lines);
  const auto& settings = SettingsTable();
  // The first unreadable number makes the whole record fall back to its
  // defaults, silently; a missing text is the empty text.
  for (std::size_t k = 0; k < kSettingCount; ++k) {
    const std::string_view value = values[k].value_or(std::string_view{});
    if (settings[k].Text) {
      this->*settings[k].Text = std::string(value);
      continue;
    }
    const auto number = TryStrToInt(value);
    if (!number) {
      SetDefaults();
      return;
    }
    this->*settings[k].Number = *number;
  }
}

void TConfigInfo::SaveToList(TStrings& lines) const {
  for (const TSetting& setting : SettingsTable()) {
    const std::string value =
        setting.Number ? std::to_string(this->*setting.Number) : this->*setting.Text;
    lines.push_back(std::string(setting.Key) + "=" + value);
  }
}
