#include "Card.h"

#include "ConfigFile.h"
#include "Localization.h"
#include "SettingsTable.h"
#include "VNErrors.h"

std::string ConfigFileNameFor(const std::string& driverPath) {
  const std::size_t lastSlash = driverPath.rfind('/');
  const std::size_t nameStart = lastSlash == std::string::npos ? 0 : lastSlash + 1;
  const std::size_t dot = driverPath.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot >= nameStart;
  return (hasExtension ? driverPath.substr(0, dot) : driverPath) + ".CFG";
}

TCard::TCard(std::uintptr_t windowHandle, const std::string& driverPath)
    : FWindowHandle(windowHandle),
      FConfig(std::make_unique<TConfigInfo>(ConfigFileNameFor(driverPath))) {}

TCard::~TCard() {
  // Every Connect of the program is paired with a Disconnect, so this only
  // matters when an exception cut a pairing short: the port must not outlive
  // the card.
  if (FConnectCount > 0) ReleaseConnection();
}

namespace {

// The file functions raise their failures; the card returns them, with the
// error class the program's error box names.
template <class TAction>
TCardResult FileResult(TAction&& action) {
  try {
    action();
  } catch (const EVNError& error) {
    TCardResult failed = TCardResult::Failure({}, error.what());
    failed.ErrorKind = error.Kind();
    return failed;
  }
  return {};
}

}  // namespace

TCardResult TCard::LoadConfig() {
  // Read into a new record and tree, so that a failure changes nothing.
  auto config = std::make_unique<TConfigInfo>(FConfig->ConfigFileName);
  TChannelTreeModel channelTree;
  std::optional<std::size_t> blockStart;
  TTextEncoding encoding = TTextEncoding::Utf8;
  std::size_t digest = ConfigFileDigest({});
  TConfigReading reading;
  TCardResult loaded = FileResult([&] {
    LoadConfigFile(config->ConfigFileName, *config, channelTree, blockStart, encoding, &digest,
                   &reading);
    CheckChannelText(channelTree);
  });
  if (!loaded) return loaded;
  FConfig = std::move(config);
  FChannelTree = std::move(channelTree);
  FChannelBlockStart = blockStart;
  FFileEncoding = encoding;
  FFileDigest = digest;
  FReading = std::move(reading);
  FChannels.reset();
  return loaded;
}

void TCard::PutSettings(const TConfigInfo& values, const std::vector<std::string_view>& keys) {
  // Settings read whole are the file's own values: their lines stand for
  // the file's, also where the file (or a line) is not there.
  TSettingLines lines;
  if (UnreadSettings(FReading.Settings.Lines).empty()) {
    TStrings own;
    FConfig->SaveToList(own);
    for (const std::string& line : own) lines.Add(line, 0);
  } else {
    lines = FReading.Settings;
  }
  for (const std::string_view key : keys)
    if (const TSetting* setting = FindSetting(key)) lines.Put(key, SettingLine(values, *setting));
  FConfig->LoadFromList(lines.Lines);
  FReading.Settings = std::move(lines);
}

bool TCard::ConfigFileChanged() const {
  return ConfigFileDigestOf(FConfig->ConfigFileName) != FFileDigest;
}

TLstChannels& TCard::Channels() const {
  // Built on first use: showing or checking the file needs no channel list,
  // and a plant's list of a million channels is ten times the file.
  if (!FChannels) {
    auto channels = std::make_unique<TLstChannels>(const_cast<TCard*>(this));
    channels->ParseChannelText(FChannelTree);
    FChannels = std::move(channels);
  }
  return *FChannels;
}

TCardResult TCard::SaveConfig() {
  return FileResult([this] {
    TStrings fileLines;
    BuildConfigFileLines(*FConfig, ChannelLines(), fileLines);
    FFileDigest = WriteTextLinesAtomic(FConfig->ConfigFileName, fileLines);
    // The file now holds what the card holds.
    FReading = {};
  });
}

TCardResult TCard::TakeDialogResults(const std::function<void(TConfigInfo&)>& collect,
                                     const TStrings& channelLines, TUnreadFile unread) {
  if (unread == TUnreadFile::Keep && !FReading.Clean()) {
    const std::string& file = FConfig->ConfigFileName;
    TCardResult kept = TCardResult::Failure(Tr("Error"), KeptFileText(file));
    kept.Cause = FindingsText(file, ReadFindings(FReading, FFileEncoding));
    return kept;
  }
  if (collect) collect(*FConfig);
  FChannelTree = TChannelTreeModel::FromLines(channelLines);
  if (FChannels) {
    auto rebuilt = std::make_unique<TLstChannels>(this);
    rebuilt->ParseChannelText(FChannelTree);
    rebuilt->TakeStateFrom(*FChannels);
    FChannels = std::move(rebuilt);
  } else {
    // A list nobody built carries no run-time state over: the lines are only
    // checked, and the list waits for its first use as after reading the file.
    CheckChannelText(FChannelTree);
  }
  return SaveConfig();
}
