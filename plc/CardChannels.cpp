// The card's reads of channels: the check of a whole channel map and the
// values of single channels, over a connection of their own. A check sends
// nothing the simulation exchanges, so it builds no channel groups.
#include <algorithm>
#include <exception>

#include "plc/Card.h"
#include "plc/NoDaveApi.h"
#include "plc/PlcChannels.h"
#include "plc/PlcReads.h"
#include "support/Translation.h"
#include "support/VNErrors.h"

int ReadVarsOn(daveConnection* connection, const TReadRequest& request,
               std::vector<TItemAnswer>& answers) {
  PDU pdu{};
  NoDave().davePrepareReadRequest(connection, &pdu);
  for (const nodave::s7::ReadItem& item : request)
    NoDave().daveAddVarToReadRequest(&pdu, item.area, item.db, static_cast<int>(item.start),
                                     item.count);
  daveResultSet results{};
  const int code = NoDave().daveExecReadRequest(connection, &pdu, &results);
  for (int i = 0; code == 0 && i < results.numResults; ++i) {
    const daveResult& result = results.results[i];
    TItemAnswer& answer = answers.emplace_back();
    answer.Code = result.error;
    if (result.bytes) answer.Data.assign(result.bytes, result.bytes + result.length);
  }
  NoDave().daveFreeResults(&results);
  return code;
}

TResultOr<TAddressReadOutcome> TCard::ReadAddresses(const TConfigInfo& settings,
                                                    const std::vector<TPlcAddress>& addresses,
                                                    const std::atomic<bool>* stop) {
  TPlcConnection connection(FWindowHandle);
  if (TResult opened = connection.OpenInterface(settings); !opened) return {opened, {}};
  if (TResult connected = connection.ConnectPlc(settings); !connected) return {connected, {}};
  daveConnection* dc = connection.Connection();
  const int pduLength = NoDave().daveGetMaxPDULen(dc);
  TPlcAddressReader reader(
      addresses, static_cast<std::size_t>(std::max(pduLength, 0)),
      [dc, stop](const TReadRequest& request, std::vector<TItemAnswer>& answers) {
        // Any failure ends the reads; a stop is told apart below.
        if (stop && *stop) return int{daveResTimeout};
        return ReadVarsOn(dc, request, answers);
      });
  const int code = reader.Run();
  if (stop && *stop)
    return {TResult::Failure(TFailure::Stopped, Tr("The channel check was stopped.")), {}};
  if (code != 0) return {connection.ConnectionFailed(code), {}};
  return {{}, reader.Outcome()};
}

TResultOr<TChannelCheck> TCard::CheckChannels(const TConfigInfo& settings,
                                              const TChannelTreeModel& tree,
                                              const std::atomic<bool>* stop) {
  std::vector<TPlcChannel> channels;
  try {
    channels = PlcChannelsOf(tree);
  } catch (const EVNError& error) {
    return {error.AsResult(), {}};
  } catch (const std::exception& error) {
    return {TResult::Failure(TFailure::Data, error.what()), {}};
  }
  const std::vector<TPlcAddress> addresses = UniqueAddresses(channels);
  TResultOr<TAddressReadOutcome> read = ReadAddresses(settings, addresses, stop);
  if (!read.Result) return {std::move(read.Result), {}};
  return {{}, SummarizeCheck(tree, channels, addresses, read.Value)};
}

TResultOr<std::vector<TChannelValue>> TCard::ReadValues(const TConfigInfo& settings,
                                                        const std::vector<TPlcAddress>& addresses) {
  std::vector<TPlcAddress> unique = addresses;
  std::sort(unique.begin(), unique.end());
  unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
  TResultOr<TAddressReadOutcome> read = ReadAddresses(settings, unique);
  if (!read.Result) return {std::move(read.Result), {}};
  std::vector<TChannelValue> values;
  for (const TPlcAddress& address : addresses) {
    const auto at = std::lower_bound(unique.begin(), unique.end(), address) - unique.begin();
    const TAddressReading& reading = read.Value.Readings[static_cast<std::size_t>(at)];
    TChannelValue& value = values.emplace_back();
    value.Address = address;
    if (reading.Code == 0) {
      value.Raw = reading.Value;
      continue;
    }
    const auto size = read.Value.Sizes.find(ObjectOf(address));
    value.Error =
        RefusalCause(address, reading.Code,
                     size == read.Value.Sizes.end() ? std::nullopt : std::optional(size->second));
  }
  return {{}, std::move(values)};
}
