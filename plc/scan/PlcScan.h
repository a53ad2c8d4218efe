#pragma once
// The second half of a scan: behind each open port, the PLC's record. The
// probe finds the ports first, all at once; the PLCs are then read side by
// side, each by one connection at a time, as many PLCs accept only a few
// connections.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "plc/PlcIdentity.h"
#include "plc/scan/PortProbe.h"

// What a scan reports of one PLC: where it answered and who it is.
struct TScanRecord {
  std::uint32_t Address = 0;
  int Port = 0;
  // The rack/slot pair that took the ISO connection.
  int Rack = 0;
  int Slot = 0;
  // Empty when the PLC refused the read.
  std::optional<std::string> OrderCode;
  TPlcIdentity Identity;
};

// Reads the PLC behind one open port: its rack, slot, order code and
// identity, or nothing when no rack/slot pair took the ISO connection (not
// a PLC, or none that accepts). port.Socket, when the probe kept it, is the
// connection to use for the first pair; the reader owns it from then on.
// Address and port of the record are filled in by ReadPlcs. Runs on a
// worker thread when ReadPlcs runs more than one at a time.
using TPlcReader = std::function<std::optional<TScanRecord>(TOpenPort& port)>;

// Called after each PLC read: open ports done so far, of total, and how
// many of them were PLCs.
using TReadProgress = std::function<void(std::size_t done, std::size_t total, std::size_t found)>;

// PLCs read at the same time by a scan: every one a /24 can hold, so that
// devices that take the connection and never answer cost one answer
// time-out for the whole range, not one each. Each PLC still sees one
// connection at a time.
inline constexpr std::size_t kParallelReads = 256;

// Runs read for every open port, at most parallel (at least 1) at a time,
// and returns the records of the PLCs that answered in the order of ports.
// Progress is reported from the calling thread. An exception of read ends
// the remaining reads and leaves after the running ones ended; so does
// stop, when set and true: no further read starts, the connections the
// probe kept for the reads under way are shut down (within kStopCheckMs),
// so that their waits end at once, and the records read so far are
// returned.
std::vector<TScanRecord> ReadPlcs(std::vector<TOpenPort> ports, const TPlcReader& read,
                                  std::size_t parallel = 1, const TReadProgress& progress = {},
                                  const std::atomic<bool>* stop = nullptr);
