#include "SettingsCheck.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <tuple>
#include <type_traits>

#include "ConnectionType.h"

// Every connection type of the table has its traits.
static_assert(std::tuple_size_v<std::remove_cvref_t<decltype(ConnectionTypes)>> ==
              kConnectionTraits.size());

namespace {

// The highest address a frame's spinner can hold (16-bit signed positions):
// the address fields accept more, but the spinner's position is what is stored.
constexpr std::int32_t kMaxBusAddress = 32767;
constexpr std::int32_t kMaxPartner = 100;
constexpr std::int32_t kComPorts = 9;
constexpr std::int32_t kMaxTcpNumber = 65535;

struct TSettingRule {
  std::string_view Key;
  std::int32_t TConfigInfo::*Number;
  std::string TConfigInfo::*Text;
  std::int32_t Min;
  std::int32_t Max;
};

constexpr std::int32_t LastIndexOf(std::size_t size) {
  return static_cast<std::int32_t>(size) - 1;
}

TSettingRule NumberRule(std::string_view key, std::int32_t TConfigInfo::*field, std::int32_t min,
                        std::int32_t max) {
  return {key, field, nullptr, min, max};
}
TSettingRule TextRule(std::string_view key, std::string TConfigInfo::*field) {
  return {key, nullptr, field, 0, 0};
}

// In the file's key order.
const std::array<TSettingRule, 14>& Rules() {
  static const std::array<TSettingRule, 14> rules{{
      NumberRule("WriteProtocol", &TConfigInfo::WriteProtocol, 0, 1),
      TextRule("ProtokollFileName", &TConfigInfo::ProtokollFileName),
      NumberRule("Comport", &TConfigInfo::Comport, 1, kComPorts),
      NumberRule("Connectiontype", &TConfigInfo::Connectiontype, 0,
                 LastIndexOf(ConnectionTypes.size())),
      NumberRule("Baudrate", &TConfigInfo::Baudrate, 0, LastIndexOf(SerialBaudRates.size())),
      NumberRule("LocalMPI", &TConfigInfo::LocalMPI, 0, kMaxBusAddress),
      NumberRule("LocalPPI", &TConfigInfo::LocalPPI, 0, kMaxBusAddress),
      NumberRule("RemoteMPI", &TConfigInfo::RemoteMPI, 1, kMaxPartner),
      NumberRule("RemotePPI", &TConfigInfo::RemotePPI, 0, kMaxBusAddress),
      NumberRule("ProfibusSpeedIndex", &TConfigInfo::ProfibusSpeedIndex, 0,
                 LastIndexOf(ProfibusSpeeds.size())),
      TextRule("IPAddress", &TConfigInfo::IPAddress),
      NumberRule("IPPort", &TConfigInfo::IPPort, 1, kMaxTcpNumber),
      NumberRule("Rack", &TConfigInfo::Rack, 0, kMaxTcpNumber),
      NumberRule("Slot", &TConfigInfo::Slot, 0, kMaxTcpNumber),
  }};
  return rules;
}

const TSettingRule* RuleFor(std::string_view key) {
  const auto& rules = Rules();
  const auto found = std::find_if(rules.begin(), rules.end(),
                                  [key](const TSettingRule& r) { return r.Key == key; });
  return found == rules.end() ? nullptr : &*found;
}

// A line break or any other control character would end or garble the
// file's line.
bool FitsOneLine(std::string_view text) {
  return std::none_of(text.begin(), text.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool Accepts(const TSettingRule& rule, std::int32_t value) {
  return value >= rule.Min && value <= rule.Max;
}

TRefusedSetting Refusal(const TSettingRule& rule, std::string_view value) {
  TRefusedSetting refused{std::string(rule.Key), std::string(value), {}, {}};
  if (rule.Number) {
    refused.Min = rule.Min;
    refused.Max = rule.Max;
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

bool InScope(const TSettingRule& rule, const TConfigInfo& settings, TSettingsScope scope) {
  if (scope == TSettingsScope::All) return true;
  const auto type = ConnectionTypeOf(settings.Connectiontype);
  if (rule.Number == &TConfigInfo::Connectiontype) return true;
  if (!type) return false;
  if (rule.Number == &TConfigInfo::Baudrate) return IsSerial(*type);
  if (rule.Number == &TConfigInfo::ProfibusSpeedIndex) return IsMpi(*type);
  return false;
}

}  // namespace

std::optional<TRefusedSetting> CheckSettings(const TConfigInfo& settings, TSettingsScope scope) {
  for (const TSettingRule& rule : Rules()) {
    if (!InScope(rule, settings, scope)) continue;
    if (rule.Number) {
      const std::int32_t value = settings.*rule.Number;
      if (!Accepts(rule, value)) return Refusal(rule, std::to_string(value));
    } else if (!FitsOneLine(settings.*rule.Text)) {
      return Refusal(rule, settings.*rule.Text);
    }
  }
  return std::nullopt;
}

std::optional<TSettingRange> SettingRange(std::string_view key) {
  const TSettingRule* rule = RuleFor(key);
  if (!rule || !rule->Number) return std::nullopt;
  return TSettingRange{rule->Min, rule->Max};
}

std::vector<std::string_view> SettingKeys() {
  std::vector<std::string_view> keys;
  for (const TSettingRule& rule : Rules()) keys.push_back(rule.Key);
  return keys;
}

bool IsSettingKey(std::string_view key) {
  return RuleFor(key) != nullptr;
}

std::optional<TRefusedSetting> AssignSetting(TConfigInfo& settings, std::string_view key,
                                             std::string_view value) {
  const TSettingRule* rule = RuleFor(key);
  if (!rule) return TRefusedSetting{std::string(key), std::string(value), {}, {}};
  if (rule->Text) {
    if (!FitsOneLine(value)) return Refusal(*rule, value);
    settings.*rule->Text = std::string(value);
    return std::nullopt;
  }
  const auto number = DecimalNumber(value);
  if (!number || !Accepts(*rule, *number)) return Refusal(*rule, value);
  settings.*rule->Number = *number;
  return std::nullopt;
}
