// The probes run in one thread on non-blocking sockets watched by poll():
// the number at once is bounded by the descriptor limit, never by threads.
#include "plc/scan/PortProbe.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

using TClock = std::chrono::steady_clock;

// Descriptors left for what the process opens while it probes (the
// catalogue, the toolkit's own): an eighth of the limit, within these bounds,
// so that a low limit still leaves most of itself to the probes.
constexpr std::size_t kLeastReserve = 4;
constexpr std::size_t kMostReserve = 64;
// The shortest wait of one probe: a host that is there answers the first
// SYN; the system sends it again only after a second.
constexpr std::chrono::milliseconds kShortestProbeWait{1000};

struct TProbe {
  std::uint32_t Address;
  TSocket Socket;
  TClock::time_point Deadline;
};

bool OutOfDescriptors(int error) {
  return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

enum class TStart { Open, Closed, Pending, NoDescriptor, Failed };

// What a refusal of the system reads as: the call, then the system's text.
TResult SystemFailure(const char* call, int error) {
  return TResult::Failure(TFailure::System,
                          std::string(call) + ": " + std::generic_category().message(error), error);
}

// Starts the connect to address; a pending one is left in socket.
TStart StartConnect(std::uint32_t address, int port, TSocket& socket) {
  socket = TSocket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!socket) {
    return OutOfDescriptors(errno) ? TStart::NoDescriptor : TStart::Failed;
  }
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<std::uint16_t>(port));
  peer.sin_addr.s_addr = htonl(address);
  if (::connect(socket.Fd(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0)
    return TStart::Open;
  if (errno == EINPROGRESS || errno == EINTR) return TStart::Pending;
  // The local port range can run out as descriptors do: retry later.
  if (errno == EADDRNOTAVAIL || errno == EAGAIN || OutOfDescriptors(errno))
    return TStart::NoDescriptor;
  return TStart::Closed;
}

bool ConnectSucceeded(int fd) {
  int error = 0;
  socklen_t length = sizeof error;
  return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

// The descriptors the process has open now.
std::size_t OpenDescriptors(std::size_t limit) {
  std::error_code ec;
  std::size_t open = 0;
  for (std::filesystem::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end;
       it.increment(ec))
    ++open;
  if (!ec) return open;
  // Without /proc: ask each descriptor number.
  open = 0;
  for (int fd = 0; fd < static_cast<int>(std::min(limit, kMaxParallelProbes)); ++fd)
    if (::fcntl(fd, F_GETFD) != -1) ++open;
  return open;
}

// The parallel probes the descriptors left free make room for.
std::size_t ParallelProbes(std::size_t total) {
  const std::size_t limit = RaiseDescriptorLimit();
  const std::size_t taken =
      OpenDescriptors(limit) + std::clamp(limit / 8, kLeastReserve, kMostReserve);
  const std::size_t room = limit > taken ? limit - taken : 1;
  return std::clamp<std::size_t>(std::min(room, kMaxParallelProbes), 1,
                                 std::max<std::size_t>(total, 1));
}

// How long one probe waits for an answer. When every address fits into one
// window, the connect time-out; when the descriptors make the probes come
// in waves, the whole range gets twice that, shared out among the waves,
// but never less than the shortest wait.
std::chrono::milliseconds ProbeWait(std::chrono::milliseconds connectTimeout, std::size_t window,
                                    std::size_t total) {
  if (window >= total) return connectTimeout;
  const std::chrono::milliseconds share{connectTimeout.count() * 2 *
                                        static_cast<std::chrono::milliseconds::rep>(window) /
                                        static_cast<std::chrono::milliseconds::rep>(total)};
  return std::min(connectTimeout, std::max(share, kShortestProbeWait));
}

class TProber {
 public:
  TProber(const TScanRange& range, const TProbeOptions& options, const TProbeProgress& progress)
      : FRange(range),
        FOptions(options),
        FProgress(progress),
        FWindow(ParallelProbes(range.Count())),
        FWait(ProbeWait(options.ConnectTimeout, FWindow, range.Count())) {}

  TResultOr<std::vector<TOpenPort>> Run() {
    while ((FNext < FRange.Count() || !FPending.empty()) && !Stopped()) {
      StartProbes();
      WaitForAnswers();
      if (!FFailure) return TResultOr<std::vector<TOpenPort>>::Failed(std::move(FFailure));
      if (FProgress) FProgress(FProbed, FRange.Count(), FOpen.size());
    }
    std::sort(FOpen.begin(), FOpen.end(),
              [](const TOpenPort& a, const TOpenPort& b) { return a.Address < b.Address; });
    return {{}, std::move(FOpen)};
  }

 private:
  const TScanRange& FRange;
  const TProbeOptions& FOptions;
  const TProbeProgress& FProgress;
  std::size_t FWindow;
  std::chrono::milliseconds FWait;
  std::size_t FNext = 0;
  std::size_t FProbed = 0;
  std::vector<TProbe> FPending;
  std::vector<TOpenPort> FOpen;
  // The system's refusal that ends the probe.
  TResult FFailure;

  bool Stopped() const { return FOptions.Stop && FOptions.Stop->load(); }

  void Found(std::uint32_t address, TSocket socket) {
    if (FOptions.KeepOpen) {
      // Request and answer alternate on the connection handed on, as on the
      // S7 library's own: Nagle's algorithm would only add delay.
      const int one = 1;
      ::setsockopt(socket.Fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    } else {
      socket.Close();
    }
    FOpen.push_back({address, FOptions.Port, std::move(socket)});
  }

  void StartProbes() {
    while (FPending.size() < FWindow && FNext < FRange.Count()) {
      const std::uint32_t address = FRange.At(FNext);
      TSocket socket;
      switch (StartConnect(address, FOptions.Port, socket)) {
        case TStart::Open:
          Found(address, std::move(socket));
          break;
        case TStart::Closed:
          break;
        case TStart::Pending:
          FPending.push_back({address, std::move(socket), TClock::now() + FWait});
          ++FNext;
          continue;
        case TStart::NoDescriptor:
          MakeRoom(errno);
          return;
        case TStart::Failed:
          FFailure = SystemFailure("socket", errno);
          return;
      }
      ++FNext;
      ++FProbed;
    }
  }

  // Out of descriptors: fewer at once from now on, and the probes under way
  // free theirs; with none under way, the kept connections give theirs up.
  void MakeRoom(int error) {
    if (!FPending.empty()) {
      FWindow = FPending.size();
      return;
    }
    bool freed = false;
    for (TOpenPort& open : FOpen) {
      freed = freed || bool(open.Socket);
      open.Socket.Close();
    }
    if (!freed) FFailure = SystemFailure("socket", error);
  }

  void WaitForAnswers() {
    if (FPending.empty()) return;
    std::vector<pollfd> watched;
    watched.reserve(FPending.size());
    auto earliest = FPending.front().Deadline;
    for (const TProbe& probe : FPending) {
      watched.push_back({probe.Socket.Fd(), POLLOUT, 0});
      earliest = std::min(earliest, probe.Deadline);
    }
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(earliest - TClock::now());
    if (FOptions.Stop) wait = std::min(wait, std::chrono::milliseconds(kStopCheckMs));
    const int ready = ::poll(watched.data(), watched.size(),
                             static_cast<int>(std::max<std::int64_t>(wait.count(), 0)));
    if (ready < 0 && errno != EINTR) {
      FFailure = SystemFailure("poll", errno);
      return;
    }
    const auto now = TClock::now();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < FPending.size(); ++i) {
      TProbe& probe = FPending[i];
      if (ready > 0 && watched[i].revents != 0) {
        if (ConnectSucceeded(probe.Socket.Fd())) Found(probe.Address, std::move(probe.Socket));
        ++FProbed;
      } else if (now >= probe.Deadline) {
        ++FProbed;
      } else {
        if (kept != i) FPending[kept] = std::move(probe);
        ++kept;
      }
    }
    FPending.resize(kept);
  }
};

}  // namespace

TSocket& TSocket::operator=(TSocket&& other) noexcept {
  if (this != &other) {
    Close();
    FFd = std::exchange(other.FFd, -1);
  }
  return *this;
}

TSocket::~TSocket() {
  Close();
}

void TSocket::Close() {
  if (FFd >= 0) ::close(std::exchange(FFd, -1));
}

TSocket TSocket::Duplicate() const {
  return TSocket(FFd >= 0 ? ::fcntl(FFd, F_DUPFD_CLOEXEC, 0) : -1);
}

void TSocket::ShutDown() {
  if (FFd >= 0) ::shutdown(FFd, SHUT_RDWR);
}

std::size_t RaiseDescriptorLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;
  if (limit.rlim_cur < limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  // poll() cannot watch more than this anyway.
  return limit.rlim_cur == RLIM_INFINITY ? kMaxParallelProbes + kMostReserve
                                         : static_cast<std::size_t>(limit.rlim_cur);
}

TResultOr<std::vector<TOpenPort>> ProbePorts(const TScanRange& range, const TProbeOptions& options,
                                             const TProbeProgress& progress) {
  return TProber(range, options, progress).Run();
}
