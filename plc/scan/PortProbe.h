#pragma once
// Which addresses of a range have a TCP port open: every address is probed
// with a non-blocking connect, hundreds at once, so a range where most hosts
// stay silent costs about one connect time-out, not one per address.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "plc/nodave/WireLimits.h"
#include "plc/nodave/nodave.h"
#include "plc/scan/ScanRange.h"
#include "support/Result.h"

// A descriptor owned by the object and closed with it.
class TSocket {
 public:
  TSocket() = default;
  explicit TSocket(int fd) : FFd(fd) {}
  TSocket(TSocket&& other) noexcept : FFd(std::exchange(other.FFd, -1)) {}
  TSocket& operator=(TSocket&& other) noexcept;
  TSocket(const TSocket&) = delete;
  TSocket& operator=(const TSocket&) = delete;
  ~TSocket();

  // The descriptor, or -1.
  int Fd() const { return FFd; }
  explicit operator bool() const { return FFd >= 0; }
  // Gives up ownership: the caller closes the descriptor.
  int Release() { return std::exchange(FFd, -1); }
  void Close();
  // A second descriptor of the same connection (empty when none can be
  // had), which stays valid whoever closes the first.
  TSocket Duplicate() const;
  // Ends the connection's traffic both ways for every descriptor of it: a
  // wait on it returns at once.
  void ShutDown();

 private:
  int FFd = -1;
};

// An address whose port took the connection. Socket holds that connection
// when the probe was asked to keep it, so whoever talks to the PLC next needs
// no second connection: non-blocking, close-on-exec and without Nagle's
// delay like the S7 library's openSocket, so it can be handed to
// daveNewInterface as {fd, fd}. Otherwise it is empty.
struct TOpenPort {
  std::uint32_t Address = 0;
  int Port = 0;
  TSocket Socket;
};

struct TProbeOptions {
  int Port = nodave::kIsoTcpPort;
  // How long one address may take to answer, the library's own limit for a
  // connect; also what a range of silent hosts costs, as they are all waited
  // for at the same time. When the descriptors cannot hold the whole range
  // at once, the probes come in waves and the range as a whole gets twice
  // this, each probe its share but at least a second (the first SYN's
  // answer).
  std::chrono::milliseconds ConnectTimeout{daveDefaultConnectTimeoutMs};
  // Keep the connections of open ports (TOpenPort::Socket) instead of
  // closing them at once. Kept sockets count against the descriptor limit;
  // when it is reached they are closed and the probe goes on.
  bool KeepOpen = false;
  // When set, the probe ends within kStopCheckMs once it becomes true,
  // with the open ports found so far: a window's Stop or close.
  const std::atomic<bool>* Stop = nullptr;
};

// How long a probe that can be stopped waits for answers at a time.
inline constexpr int kStopCheckMs = 100;

// Called after each round of answers: addresses probed so far, of total,
// and how many of them had the port open.
using TProbeProgress = std::function<void(std::size_t probed, std::size_t total, std::size_t open)>;

// The probes at once: as many as the descriptors left free make room for
// (the limit is raised first; the usual 1024 gives some 950, a limit of 64
// still some 50), but at most this many: more saves little time and only
// floods the network.
inline constexpr std::size_t kMaxParallelProbes = 4096;

// Raises the process's soft limit on open descriptors to its hard limit and
// returns the soft limit now in force.
std::size_t RaiseDescriptorLimit();

// Probes options.Port on every address of range and returns the addresses
// where it was open, sorted (those found until options.Stop, when stopped). Refused, unreachable
// and silent addresses are left out; every socket not handed back is closed. Running out of
// descriptors only slows the probe down; a System failure ("socket: ..." with
// errno) only when not a single socket can be opened (or poll fails).
TResultOr<std::vector<TOpenPort>> ProbePorts(const TScanRange& range, const TProbeOptions& options,
                                             const TProbeProgress& progress = {});
