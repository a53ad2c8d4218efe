#include "config/HW_ConfigInfo.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>

#include "config/SettingsTable.h"

namespace {

// For every setting (by its place in the table) the index of the first line
// "key=value" from the top; none for keys without such a line (their value
// is the empty text). One pass over the lines, so that a key missing from a
// long file costs no extra scans.
std::array<std::optional<std::size_t>, kSettingCount> LookUpLines(const TStrings& lines) {
  const auto& settings = SettingsTable();
  std::array<std::optional<std::size_t>, kSettingCount> found;
  std::size_t missing = kSettingCount;
  for (std::size_t i = 0; i < lines.size() && missing > 0; ++i) {
    const std::size_t eq = lines[i].find('=');
    if (eq == std::string::npos) continue;
    const std::string_view key(lines[i].data(), eq);
    for (std::size_t k = 0; k < kSettingCount; ++k) {
      if (found[k] || !EqualsIgnoringCase(key, settings[k].Key)) continue;
      found[k] = i;
      --missing;
      break;
    }
  }
  return found;
}

// The value of the line found for a setting: everything after its first "=".
std::string_view ValueOf(const TStrings& lines, const std::optional<std::size_t>& line) {
  if (!line) return {};
  const std::string_view text = lines[*line];
  return text.substr(text.find('=') + 1);
}

// Why a value is no number the record can take.
TUnreadWhy WhyUnreadable(std::string_view value) {
  if (value.empty()) return TUnreadWhy::Empty;
  const std::size_t last = value.find_last_not_of(" \t");
  if (last != std::string_view::npos && last + 1 < value.size() &&
      TryStrToInt(value.substr(0, last + 1)))
    return TUnreadWhy::BlankAfterNumber;
  if (IsBeyondInt32(value)) return TUnreadWhy::OutOfRange;
  return TUnreadWhy::NoNumber;
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
  const auto found = LookUpLines(lines);
  const auto& settings = SettingsTable();
  // The first unreadable number makes the whole record fall back to its
  // defaults, silently; a missing text is the empty text.
  for (std::size_t k = 0; k < kSettingCount; ++k) {
    const std::string_view value = ValueOf(lines, found[k]);
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
  for (const TSetting& setting : SettingsTable()) lines.push_back(SettingLine(*this, setting));
}

std::string SettingLine(const TConfigInfo& settings, const TSetting& setting) {
  const std::string value =
      setting.Number ? std::to_string(settings.*setting.Number) : settings.*setting.Text;
  return std::string(setting.Key) + "=" + value;
}

std::vector<TUnreadSetting> UnreadSettings(const TStrings& lines) {
  const auto found = LookUpLines(lines);
  std::vector<TUnreadSetting> unread;
  // Lines that name no setting at all hold no values that the defaults
  // would replace.
  if (std::none_of(found.begin(), found.end(), [](const auto& line) { return line.has_value(); }))
    return unread;
  const auto& settings = SettingsTable();
  for (std::size_t k = 0; k < kSettingCount; ++k) {
    if (!settings[k].Number) continue;
    if (!found[k]) {
      unread.push_back({settings[k].Key, TUnreadWhy::NoLine, std::nullopt});
      continue;
    }
    const std::string_view value = ValueOf(lines, found[k]);
    if (!TryStrToInt(value)) unread.push_back({settings[k].Key, WhyUnreadable(value), found[k]});
  }
  return unread;
}
