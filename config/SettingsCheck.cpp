#include "config/SettingsCheck.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <tuple>
#include <type_traits>

#include "config/ConnectionType.h"
#include "config/SettingsTable.h"

// Every connection type of the table has its traits.
static_assert(std::tuple_size_v<std::remove_cvref_t<decltype(ConnectionTypes)>> ==
              kConnectionTraits.size());

namespace {

// A line break or any other control character would end or garble the
// file's line.
bool FitsOneLine(std::string_view text) {
  return std::none_of(text.begin(), text.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool Accepts(const TSetting& setting, std::int32_t value) {
  return value >= setting.Min && value <= setting.Max;
}

TRefusedSetting Refusal(const TSetting& setting, std::string_view value) {
  TRefusedSetting refused{std::string(setting.Key), std::string(value), {}, {}};
  if (setting.Number) {
    refused.Min = setting.Min;
    refused.Max = setting.Max;
  }
  return refused;
}

// A whole decimal number as the number fields take it: an optional sign,
// digits, nothing else.
std::optional<std::int32_t> DecimalNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return {};
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return {};
  return value;
}

bool InScope(const TSetting& setting, const TConfigInfo& settings, TSettingsScope scope) {
  if (scope == TSettingsScope::All) return true;
  const auto type = ConnectionTypeOf(settings.Connectiontype);
  if (setting.Number == &TConfigInfo::Connectiontype) return true;
  if (!type) return false;
  if (setting.Number == &TConfigInfo::Baudrate) return IsSerial(*type);
  if (setting.Number == &TConfigInfo::ProfibusSpeedIndex) return IsMpi(*type);
  return false;
}

}  // namespace

std::optional<TRefusedSetting> CheckSettings(const TConfigInfo& settings, TSettingsScope scope) {
  for (const TSetting& setting : SettingsTable()) {
    if (!InScope(setting, settings, scope)) continue;
    if (setting.Number) {
      const std::int32_t value = settings.*setting.Number;
      if (!Accepts(setting, value)) return Refusal(setting, std::to_string(value));
    } else if (!FitsOneLine(settings.*setting.Text)) {
      return Refusal(setting, settings.*setting.Text);
    }
  }
  return std::nullopt;
}

std::optional<TSettingRange> SettingRange(std::string_view key) {
  const TSetting* setting = FindSetting(key);
  if (!setting || !setting->Number) return std::nullopt;
  return TSettingRange{setting->Min, setting->Max};
}

std::vector<std::string_view> SettingKeys() {
  std::vector<std::string_view> keys;
  for (const TSetting& setting : SettingsTable()) keys.push_back(setting.Key);
  return keys;
}

bool IsSettingKey(std::string_view key) {
  return FindSetting(key) != nullptr;
}

std::optional<TRefusedSetting> AssignSetting(TConfigInfo& settings, std::string_view key,
                                             std::string_view value) {
  const TSetting* setting = FindSetting(key);
  if (!setting) return TRefusedSetting{std::string(key), std::string(value), {}, {}};
  if (setting->Text) {
    if (!FitsOneLine(value)) return Refusal(*setting, value);
    settings.*setting->Text = std::string(value);
    return std::nullopt;
  }
  const auto number = DecimalNumber(value);
  if (!number || !Accepts(*setting, *number)) return Refusal(*setting, value);
  settings.*setting->Number = *number;
  return std::nullopt;
}
