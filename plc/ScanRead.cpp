#include "plc/ScanRead.h"

#include <utility>
#include <vector>

#include "config/ConnectionType.h"
#include "plc/NoDaveApi.h"
#include "plc/PlcConnection.h"
#include "plc/PlcReads.h"

namespace {

// Rack/slot pairs for a search: the file's first, then the library's search
// without the file's pair, which was just refused.
std::vector<std::pair<int, int>> PairsToTry(const TConfigInfo& settings) {
  std::vector<std::pair<int, int>> pairs{{settings.Rack, settings.Slot}};
  int rack = 0;
  int slot = 0;
  for (int index = 0; NoDave().daveRackSlotPair(settings.Rack, index, &rack, &slot) == 0; ++index)
    if (rack != settings.Rack || slot != settings.Slot) pairs.emplace_back(rack, slot);
  return pairs;
}

// The PLC said no to the rack/slot pair (or hung up on it): another pair
// may answer. A peer that did not answer at all is no PLC refusing a pair,
// and would let every further attempt wait as long.
bool RefusedPair(int code) {
  constexpr int kCotpReasons = 256;
  return code == daveResConnectionRefused || code == daveResConnectionClosed ||
         code == daveResConnectionReset || code == daveResInvalidRackSlot ||
         (code <= daveResCotpRefusedBase && code > daveResCotpRefusedBase - kCotpReasons);
}

TConfigInfo AttemptSettings(const TConfigInfo& file, const TOpenPort& port, int rack, int slot) {
  TConfigInfo settings(file.ConfigFileName);
  settings.CopyFrom(file);
  settings.Connectiontype = IndexOf(TConnectionType::IsoTcp);
  settings.IPAddress = IPv4Text(port.Address);
  settings.IPPort = port.Port;
  settings.Rack = rack;
  settings.Slot = slot;
  return settings;
}

TScanRecord Read(const TPlcConnection& connection, int rack, int slot) {
  TScanRecord record;
  record.Rack = rack;
  record.Slot = slot;
  const TResultOr<std::string> orderCode = ReadOrderCodeOn(connection);
  if (orderCode.Result) record.OrderCode = BareOrderCode(orderCode.Value);
  // A link that fails on the way leaves what was read before: the PLC is
  // found all the same.
  ReadIdentityOn(&connection, record.Identity);
  return record;
}

}  // namespace

std::optional<TScanRecord> ReadFoundPlc(TOpenPort& port, const TConfigInfo& settings,
                                        const std::atomic<bool>* stop) {
  for (const auto& [rack, slot] : PairsToTry(settings)) {
    if (stop && *stop) return std::nullopt;
    const TConfigInfo attempt = AttemptSettings(settings, port, rack, slot);
    TPlcConnection connection(0);
    const TResult opened = port.Socket ? connection.OpenInterfaceOn(attempt, port.Socket.Release())
                                       : connection.OpenInterface(attempt);
    if (!opened) return std::nullopt;
    const TResult connected = connection.ConnectPlc(attempt);
    if (connected) return Read(connection, rack, slot);
    if (!RefusedPair(connected.LibraryCode)) return std::nullopt;
  }
  return std::nullopt;
}
