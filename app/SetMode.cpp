#include "SetMode.h"

#include <optional>
#include <string_view>

#include "ChannelTreeModel.h"
#include "CommandLine.h"
#include "FileLock.h"
#include "Localization.h"
#include "ModeOutput.h"
#include "SettingsCheck.h"
#include "SettingsTable.h"

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
}  // namespace

int SetMode(TCardServices& card, const std::vector<std::string>& assignments) {
  // Read under the writers' lock: what another writer saved is kept, and
  // nobody writes in between. All values are checked before anything is
  // written; then they go into the file's own lines, so that the values of
  // a file whose settings fell back to the defaults are kept, and the card
  // saves them as it saves the dialog's after OK, unless its settings still
  // fall back.
  const TFileLock turn(card.Settings().ConfigFileName);
  if (!Reported(card.LoadConfig())) return kExitFailure;
  TConfigInfo wanted;
  wanted.CopyFrom(card.Settings());
  std::vector<std::string_view> keys;
  for (const std::string& assignment : assignments) {
    const std::size_t eq = assignment.find('=');
    if (eq == std::string::npos)
      throw ERefusedValue(FillIn(Tr("\"%s\" is no Key=Value pair."), {Shown(assignment)}));
    const std::string_view key = std::string_view(assignment).substr(0, eq);
    std::string value = assignment.substr(eq + 1);
    // Text settings are stored in the file's own encoding, as the dialog's
    // fields store them.
    const TSetting* setting = FindSetting(key);
    if (setting && setting->Text) {
      const auto bytes = AsFileBytes(value, card.FileEncoding());
      if (!bytes) {
        const bool windows1252 = card.FileEncoding() == TTextEncoding::Windows1252;
        throw ERefusedValue(FillIn(Tr("The value \"%s\" of %s cannot be stored in this "
                                      "configuration file, which is written in %s."),
                                   {Shown(value), key, windows1252 ? "Windows-1252" : "UTF-8"}));
      }
      value = *bytes;
    }
    const auto refused = AssignSetting(wanted, key, value);
    if (refused) throw ERefusedValue(RefusalText(*refused));
    keys.push_back(key);
  }
  card.PutSettings(wanted, keys);
  // The channel block is cleaned up as OK cleans it, so that the file is
  // the one OK would write.
  TChannelTreeModel channels = card.ChannelTree();
  channels.CleanUp([&card](std::string_view path) { return card.IsChannelUsed(path); });
  const bool saved = Reported(card.TakeDialogResults(nullptr, channels.Lines()));
  return saved ? kExitSuccess : kExitFailure;
}
