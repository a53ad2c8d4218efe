#include "app/ReadMode.h"

#include "app/ExitCodes.h"
#include "app/JsonOutput.h"
#include "app/ModeOutput.h"
#include "plc/PlcChannels.h"
#include "support/Translation.h"

namespace {

struct TAskedChannel {
  std::string Path;  // as the user reads it
  std::optional<TPlcAddress> Address;
};

// Every channel of the file, in line order.
std::vector<TAskedChannel> FileChannels(const TCardServices& card) {
  std::vector<TAskedChannel> asked;
  for (const TPlcChannel& channel : PlcChannelsOf(card.ChannelTree())) {
    asked.push_back(
        {AsUserText(card.ChannelTree().Path(channel.Leaf), card.FileEncoding()), channel.Address});
  }
  return asked;
}

std::vector<TAskedChannel> GivenChannels(const std::vector<std::string>& paths) {
  // The command line accepted the paths before the mode ran.
  const std::vector<TPlcAddress> addresses = ChannelArgumentsOf(paths).Value;
  std::vector<TAskedChannel> asked;
  for (std::size_t i = 0; i < paths.size(); ++i) asked.push_back({paths[i], addresses[i]});
  return asked;
}

}  // namespace

TResultOr<std::vector<TPlcAddress>> ChannelArgumentsOf(const std::vector<std::string>& paths) {
  std::vector<TPlcAddress> addresses;
  for (const std::string& path : paths) {
    const auto address = PlcAddressOfPath(path);
    if (!address) {
      return TResultOr<std::vector<TPlcAddress>>::Failed(RefusedValue(
          FillIn(Tr("\"%s\" is no channel the channel tree allows: SPS;E|A|M|T|Z;0..255 or "
                    "SPS;DB;1..255;0..4090."),
                 {Shown(path)})));
    }
    addresses.push_back(*address);
  }
  return {{}, std::move(addresses)};
}

int ReadMode(TCardServices& card, const std::vector<std::string>& paths, bool json) {
  const std::vector<TAskedChannel> asked =
      paths.empty() ? FileChannels(card) : GivenChannels(paths);
  std::vector<TPlcAddress> addresses;
  for (const TAskedChannel& channel : asked)
    if (channel.Address) addresses.push_back(*channel.Address);
  const TResultOr<std::vector<TChannelValue>> read = card.ReadValues(card.Settings(), addresses);
  if (!read.Result) {
    Reported(read.Result);
    return kExitFailure;
  }
  std::vector<TReadValue> values;
  std::size_t next = 0;
  bool refused = false;
  for (const TAskedChannel& channel : asked) {
    TReadValue& value = values.emplace_back();
    value.Channel = channel.Path;
    if (!channel.Address) {
      value.Error = NoPlcAddressCause();
    } else if (const TChannelValue& readValue = read.Value[next++]; readValue.Raw) {
      value.Raw = readValue.Raw;
      value.Value = DecodedValue(channel.Address->Area, *readValue.Raw);
    } else {
      value.Error = readValue.Error;
    }
    refused = refused || !value.Raw;
    if (json) continue;
    if (value.Raw)
      PrintResult(value.Channel + " = " + ValueText(channel.Address->Area, *value.Raw));
    else
      PrintMessage(value.Channel + ": " + value.Error);
  }
  if (json) PrintDocument(ReadJson(values));
  return refused ? kExitFailure : kExitSuccess;
}
