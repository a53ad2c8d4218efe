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
      FChannels(std::make_unique<TLstChannels>(this)) {
  LoadConfig();
  FChannels->ParseChannelText(FChannelLines);
}

TCard::~TCard() {
  // Every Connect of the program is paired with a Disconnect, so this only
  // matters when an exception cut a pairing short: the port must not outlive
  // the card.
  if (FConnectCount > 0) ReleaseConnection();
}

void TCard::LoadConfig() {
  LoadConfigFile(FConfig->ConfigFileName, *FConfig, FFileLines, FChannelLines, FFileEncoding);
}

TCardResult TCard::SaveConfig() {
  try {
    BuildConfigFileLines(*FConfig, FChannelLines, FFileLines);
    WriteTextLinesAtomic(FConfig->ConfigFileName, FFileLines);
  } catch (const EVNError& error) {
    TCardResult failed = TCardResult::Failure({}, error.what());
    failed.ErrorKind = error.Kind();
    return failed;
  }
  return {};
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
