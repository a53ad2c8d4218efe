#include "plc/Card.h"

#include "config/ConfigFile.h"
#include "config/FileStore.h"
#include "config/SettingsTable.h"
#include "support/Translation.h"
#include "support/VNErrors.h"

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

// The file functions raise their failures; the card returns them, of the
// kind the program's error box names.
template <class TAction>
TResult FileResult(TAction&& action) {
  try {
    action();
  } catch (const EVNError& error) {
    return error.AsResult();
  }
  return {};
}

}  // namespace

TResult TCard::LoadConfig() {
  return FileResult(
      [this] { ReadConfig(ReadFileIfThere(FConfig->ConfigFileName, kMaxConfigFileSize)); });
}

void TCard::ReadConfig(std::optional<std::string> bytes) {
  // Read into a new record and tree, so that a failure changes nothing.
  auto config = std::make_unique<TConfigInfo>(FConfig->ConfigFileName);
  TChannelTreeModel channelTree;
  std::optional<std::size_t> blockStart;
  TTextEncoding encoding = TTextEncoding::Utf8;
  TConfigReading reading;
  const std::size_t digest = ConfigFileDigest(bytes ? *bytes : std::string_view());
  if (bytes) {
    LoadConfigBytes(config->ConfigFileName, std::move(*bytes), *config, channelTree, blockStart,
                    encoding, &reading);
  }
  CheckChannelText(channelTree);
  FConfig = std::move(config);
  FChannelTree = std::move(channelTree);
  FChannelBlockStart = blockStart;
  FFileEncoding = encoding;
  FFileDigest = digest;
  FReading = std::move(reading);
  FChannels.reset();
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

TLstChannels& TCard::Channels() const {
  // Built on first use: showing or checking the file needs no channel list,
  // and a plant's list of a million channels is ten times the file.
  if (!FChannels) {
    auto channels = std::make_unique<TLstChannels>();
    channels->ParseChannelText(FChannelTree);
    FChannels = std::move(channels);
  }
  return *FChannels;
}

TSaveResult TCard::SaveChanges(const TSaveChanges& changes) {
  TSaveResult saved;
  // The lock is taken first, so that nothing slips in between the look at
  // the file and the write.
  std::optional<TFileLock> turn;
  saved.Result = FileResult([&] { turn.emplace(FConfig->ConfigFileName); });
  if (!saved.Result) return saved;
  saved.TurnTaken = true;
  std::optional<TResult> kept;
  saved.Result = FileResult([&] {
    std::optional<std::string> bytes;
    if (!turn->Created()) bytes = turn->Bytes();
    if (!changes.OverwriteChanged) {
      ReadConfig(std::move(bytes));
    } else if (ConfigFileDigest(bytes ? *bytes : std::string_view()) != FFileDigest &&
               !changes.OverwriteChanged()) {
      return;
    }
    TConfigInfo settings = *FConfig;
    TChannelTreeModel channels = FChannelTree;
    if (changes.Apply) {
      if (TResult applied = changes.Apply(settings, channels); !applied) {
        kept = std::move(applied);
        return;
      }
    }
    if (changes.Unread == TUnreadFile::Keep && !FReading.Clean()) {
      kept = KeptFileResult();
      return;
    }
    WriteConfig(*turn, settings, std::move(channels));
    saved.Written = true;
  });
  // A file kept, as it could not be read whole or the writer refused its
  // changes: that is the result.
  if (kept && saved.Result) saved.Result = std::move(*kept);
  return saved;
}

TResult TCard::KeptFileResult() const {
  const std::string& file = FConfig->ConfigFileName;
  TResult kept = TResult::Failure(TFailure::Refused, KeptFileText(file));
  kept.Cause = FindingsText(file, ReadFindings(FReading, FFileEncoding));
  return kept;
}

void TCard::WriteConfig(TFileLock& turn, const TConfigInfo& settings, TChannelTreeModel channels) {
  channels.CleanUp([this](std::string_view path) { return IsChannelUsed(path); });
  FConfig->CopyFrom(settings);
  FChannelTree = std::move(channels);
  if (FChannels) {
    auto rebuilt = std::make_unique<TLstChannels>();
    rebuilt->ParseChannelText(FChannelTree);
    rebuilt->TakeStateFrom(*FChannels);
    FChannels = std::move(rebuilt);
  } else {
    // A list nobody built carries no run-time state over: the lines are only
    // checked, and the list waits for its first use as after reading the file.
    CheckChannelText(FChannelTree);
  }
  TStrings fileLines;
  BuildConfigFileLines(*FConfig, ChannelLines(), fileLines);
  const std::string bytes = TextFileBytes(fileLines);
  turn.Replace(bytes);
  FFileDigest = ConfigFileDigest(bytes);
  FReading = {};  // the file now holds what the card holds
}
