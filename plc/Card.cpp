#include "Card.h"

#include "ConfigFile.h"
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
      FConfig(std::make_unique<TConfigInfo>(ConfigFileNameFor(driverPath))),
      FChannels(std::make_unique<TLstChannels>(this)) {}

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
  // Read into a new record and list, so that a failure changes nothing.
  auto config = std::make_unique<TConfigInfo>(FConfig->ConfigFileName);
  TStrings fileLines;
  TStrings channelLines;
  TTextEncoding encoding = TTextEncoding::Utf8;
  auto channels = std::make_unique<TLstChannels>(this);
  TCardResult loaded = FileResult([&] {
    LoadConfigFile(config->ConfigFileName, *config, fileLines, channelLines, encoding);
    channels->ParseChannelText(channelLines);
  });
  if (!loaded) return loaded;
  FConfig = std::move(config);
  FFileLines = std::move(fileLines);
  FChannelLines = std::move(channelLines);
  FFileEncoding = encoding;
  FChannels = std::move(channels);
  return loaded;
}

TCardResult TCard::SaveConfig() {
  return FileResult([this] {
    BuildConfigFileLines(*FConfig, FChannelLines, FFileLines);
    WriteTextLinesAtomic(FConfig->ConfigFileName, FFileLines);
  });
}

TCardResult TCard::TakeDialogResults(const std::function<void(TConfigInfo&)>& collect,
                                     const TStrings& channelLines) {
  if (collect) collect(*FConfig);
  FChannelLines = channelLines;
  auto rebuilt = std::make_unique<TLstChannels>(this);
  rebuilt->ParseChannelText(FChannelLines);
  rebuilt->TakeStateFrom(*FChannels);
  FChannels = std::move(rebuilt);
  return SaveConfig();
}
