#include "Hw_Card.h"

#include "ConfigFile.h"

std::string ConfigFileNameFor(const std::string& driverPath) {
  const std::size_t lastSlash = driverPath.rfind('/');
  const std::size_t nameStart = lastSlash == std::string::npos ? 0 : lastSlash + 1;
  const std::size_t dot = driverPath.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot >= nameStart;
  return (hasExtension ? driverPath.substr(0, dot) : driverPath) + ".CFG";
}

TCard::TCard(std::uintptr_t windowHandle, const std::string& driverPath)
    : TCardIF(windowHandle, ConfigFileNameFor(driverPath)) {
  LoadConfig();
  CheckChannelText(FChannelTree);
}

TCard::~TCard() {
  // Every Connect of the program is paired with a Disconnect, so this only
  // matters when an exception cut a pairing short: the port must not outlive
  // the card.
  if (FConnectCount > 0) ReleaseConnection();
}

void TCard::LoadConfig() {
  LoadConfigFile(FConfig->ConfigFileName, *FConfig, FChannelTree, FChannelBlockStart,
                 FFileEncoding);
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

void TCard::SaveConfig() {
  TStrings fileLines;
  BuildConfigFileLines(*FConfig, ChannelLines(), fileLines);
  WriteTextLinesAtomic(FConfig->ConfigFileName, fileLines);
}

void TCard::TakeDialogResults(const std::function<void(TConfigInfo&)>& collect,
                              const TStrings& channelLines) {
  if (collect) collect(*FConfig);
  FChannelTree = TChannelTreeModel::FromLines(channelLines);
  auto rebuilt = std::make_unique<TLstChannels>(this);
  rebuilt->ParseChannelText(FChannelTree);
  if (FChannels) rebuilt->TakeStateFrom(*FChannels);
  FChannels = std::move(rebuilt);
  SaveConfig();
}
