#include "Hw_Card.h"

#include <filesystem>
#include <system_error>

#include "ConfigFile.h"

std::string ConfigFileNameFor(const std::string& driverPath) {
  const std::size_t lastSlash = driverPath.rfind('/');
  const std::size_t nameStart = lastSlash == std::string::npos ? 0 : lastSlash + 1;
  const std::size_t dot = driverPath.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot >= nameStart;
  return (hasExtension ? driverPath.substr(0, dot) : driverPath) + ".CFG";
}

TCard::TCard(std::uintptr_t windowHandle, const std::string& driverPath)
    : TCardIF(windowHandle, ConfigFileNameFor(driverPath)),
      FChannels(std::make_unique<TLstChannels>(this)) {
  LoadConfig();
}

TCard::~TCard() {
  // Every Connect of the program is paired with a Disconnect, so this only
  // matters when an exception cut a pairing short: the port must not outlive
  // the card.
  if (FConnectCount > 0) ReleaseConnection();
}

void TCard::LoadConfig() {
  TConfigInfo settings(FConfig->ConfigFileName);
  TStrings fileLines;
  TStrings channelLines;
  TTextEncoding encoding = TTextEncoding::Utf8;
  LoadConfigFile(settings.ConfigFileName, settings, fileLines, channelLines, encoding);
  FConfig->CopyFrom(settings);
  FFileLines = std::move(fileLines);
  FChannelLines = std::move(channelLines);
  FFileEncoding = encoding;
  RebuildChannels();
}

bool TCard::ConfigFileChanged() const {
  const std::string& path = FConfig->ConfigFileName;
  std::error_code error;
  if (!std::filesystem::exists(path, error) && !error) return !FFileLines.empty();
  TTextEncoding encoding;
  return ReadTextLines(path, encoding) != FFileLines;
}

void TCard::RebuildChannels() {
  auto rebuilt = std::make_unique<TLstChannels>(this);
  rebuilt->ParseChannelText(FChannelLines);
  rebuilt->TakeStateFrom(*FChannels);
  FChannels = std::move(rebuilt);
}

void TCard::SaveConfig() {
  BuildConfigFileLines(*FConfig, FChannelLines, FFileLines);
  WriteTextLinesAtomic(FConfig->ConfigFileName, FFileLines);
}

void TCard::TakeDialogResults(const std::function<void(TConfigInfo&)>& collect,
                              const TStrings& channelLines) {
  if (collect) collect(*FConfig);
  FChannelLines = channelLines;
  RebuildChannels();
  SaveConfig();
}
