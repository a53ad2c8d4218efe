#include "app/SetMode.h"

#include <optional>
#include <string_view>

#include "app/ExitCodes.h"
#include "app/ModeOutput.h"
#include "config/SettingsCheck.h"
#include "config/SettingsTable.h"
#include "support/Translation.h"

namespace {

// The user's text (UTF-8) as bytes of a file in encoding; none when the
// file cannot hold it, so that a value never changes how the whole file
// is read.
std::optional<std::string> AsFileBytes(std::string_view text, TTextEncoding encoding) {
  if (encoding == TTextEncoding::Windows1252) return Utf8ToWindows1252(text);
  if (!IsValidUtf8(text)) return std::nullopt;
  return std::string(text);
}

std::string RefusalText(const TRefusedSetting& refused) {
  if (!IsSettingKey(refused.Key)) {
    std::string keys;
    for (const std::string_view key : SettingKeys()) {
      if (!keys.empty()) keys += ", ";
      keys += key;
    }
    return FillIn(Tr("Unknown setting \"%s\"; the settings are: %s."), {Shown(refused.Key), keys});
  }
  if (refused.IsRange()) {
    return OutOfRangeText(refused.Value, refused.Key, *refused.Min, *refused.Max);
  }
  return FillIn(Tr("The value \"%s\" of %s is refused: allowed is text on one line."),
                {Shown(refused.Value), refused.Key});
}

// Assigns every "Key=Value" to settings and returns the keys assigned, or
// the Value refusal of the first one refused. encoding: the file's, which
// text settings are stored in.
TResultOr<std::vector<std::string_view>> Assign(const std::vector<std::string>& assignments,
                                                TTextEncoding encoding, TConfigInfo& settings) {
  using TKeys = TResultOr<std::vector<std::string_view>>;
  std::vector<std::string_view> keys;
  for (const std::string& assignment : assignments) {
    const std::size_t eq = assignment.find('=');
    if (eq == std::string::npos)
      return TKeys::Failed(
          RefusedValue(FillIn(Tr("\"%s\" is no Key=Value pair."), {Shown(assignment)})));
    const std::string_view key = std::string_view(assignment).substr(0, eq);
    std::string value = assignment.substr(eq + 1);
    // Text settings are stored in the file's own encoding, as the dialog's
    // fields store them.
    const TSetting* setting = FindSetting(key);
    if (setting && setting->Text) {
      const auto bytes = AsFileBytes(value, encoding);
      if (!bytes) {
        const bool windows1252 = encoding == TTextEncoding::Windows1252;
        return TKeys::Failed(
            RefusedValue(FillIn(Tr("The value \"%s\" of %s cannot be stored in this "
                                   "configuration file, which is written in %s."),
                                {Shown(value), key, windows1252 ? "Windows-1252" : "UTF-8"})));
      }
      value = *bytes;
    }
    const auto refused = AssignSetting(settings, key, value);
    if (refused) return TKeys::Failed(RefusedValue(RefusalText(*refused)));
    keys.push_back(key);
  }
  return {{}, std::move(keys)};
}

}  // namespace

int SetMode(TCardServices& card, const std::vector<std::string>& assignments) {
  // The card's save reads the file again under the writers' lock, so that
  // what another writer saved is kept and nobody writes in between; a
  // refused value leaves it before anything is written. The values go into
  // the file's own lines, so that the values of a file whose settings fell
  // back to the defaults are kept; the save refuses while they still fall
  // back.
  TSaveChanges changes;
  changes.Apply = [&](TConfigInfo& settings, TChannelTreeModel&) {
    TConfigInfo wanted = settings;
    const auto keys = Assign(assignments, card.FileEncoding(), wanted);
    if (!keys.Result) return keys.Result;
    card.PutSettings(wanted, keys.Value);
    settings.CopyFrom(card.Settings());
    return TResult{};
  };
  const TResult saved = card.SaveChanges(changes).Result;
  Reported(saved);
  return ExitCodeOf(saved);
}
