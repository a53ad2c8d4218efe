// Trying the usual rack and slot pairs on a PLC that refused the configured
// one. Each attempt is a connection of its own, as the PLC may close the
// socket after a refused connection request. A pair counts only when the S7
// set-up on it succeeds: some devices confirm the ISO connection on any
// pair and fail only then, and a pair offered must be one that works.
#include <algorithm>
#include <chrono>
#include <vector>

#include "plc/nodave/Clock.h"
#include "plc/nodave/WireLimits.h"
#include "plc/nodave/nodave.h"
#include "plc/nodave/posix/PortOpen.h"

namespace {

constexpr int kSlotsTried = 6;  // slots 0 to 5 hold the CPU on every common rack layout

struct Pair {
  int rack;
  int slot;
};

std::vector<Pair> PairsToTry(int firstRack) {
  std::vector<Pair> pairs;
  const int rack = firstRack >= 0 && firstRack <= nodave::kMaxRack ? firstRack : 0;
  for (int slot = 0; slot < kSlotsTried; ++slot) pairs.push_back({rack, slot});
  if (rack != 0) {
    for (int slot = 0; slot < kSlotsTried; ++slot) pairs.push_back({0, slot});
  }
  return pairs;
}

// One connection to rack/slot, set-up included, within milliseconds.
int Attempt(int port, const char* peer, Pair pair, int milliseconds) {
  using std::chrono::steady_clock;
  const auto start = steady_clock::now();
  const int fd = nodave::OpenTcpWithin(port, peer, milliseconds);
  // Why is in daveGetOpenFailure; no other slot can help then.
  if (fd < 0) return daveResPortNotOpen;
  const auto used =
      std::chrono::duration_cast<std::chrono::milliseconds>(steady_clock::now() - start);
  const int left = std::max(1, milliseconds - static_cast<int>(used.count()));
  daveInterface* di = daveNewInterface({fd, fd}, "", 0, daveProtoISOTCP, 0);
  daveSetTimeout(di, left * 1000);
  daveConnection* dc = daveNewConnection(di, 0, pair.rack, pair.slot);
  const int result = dc ? daveConnectPLC(dc) : daveResUnknownError;
  daveDisconnectPLC(dc);
  daveFree(dc);
  daveFree(di);
  closePort(fd);
  return result;
}

}  // namespace

extern "C" int daveRackSlotPair(int firstRack, int index, int* rack, int* slot) {
  const std::vector<Pair> pairs = PairsToTry(firstRack);
  if (!rack || !slot || index < 0 || static_cast<std::size_t>(index) >= pairs.size()) return -1;
  *rack = pairs[static_cast<std::size_t>(index)].rack;
  *slot = pairs[static_cast<std::size_t>(index)].slot;
  return 0;
}

extern "C" int daveFindRackSlot(int port, const char* peer, int firstRack, int totalMs, int* rack,
                                int* slot, daveRackSlotAttempt attempt, void* context) {
  if (!peer || !rack || !slot || totalMs < 1) return daveResInvalidParam;
  nodave::Deadline total(nodave::SystemClock(), std::chrono::milliseconds(totalMs));
  int result = daveResTimeout;
  for (const Pair& pair : PairsToTry(firstRack)) {
    const int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(total.remaining()).count());
    if (left < 1) break;
    result = Attempt(port, peer, pair, std::min(left, nodave::ConnectTimeoutMs()));
    if (attempt) attempt(context, pair.rack, pair.slot, result);
    // No other pair can help a port that does not open or a service that
    // is no S7 PLC.
    if (result == daveResPortNotOpen || result == daveResNotS7Service) break;
    if (result == 0) {
      *rack = pair.rack;
      *slot = pair.slot;
      return 0;
    }
  }
  return result;
}
