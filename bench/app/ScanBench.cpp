// Probing a range for the S7 port, against its bounds: a /24 where no host
// answers ends within the connect time-out plus one second; a /20 where
// every port refuses ends within 10 s. Both for the probe alone and for
// --scan as a whole process (start, driver search, probe, summary), the way
// a script runs it. Loopback stands for the plant network: every 127.x
// address is a host, and a port nothing listens on refuses at once.
//
// Silent hosts without root: routes and firewall rules (a blackhole route,
// a DROP rule) need privileges the test machine does not give. A listener
// on every address whose accept queue is full does the same without them:
// the kernel drops the SYNs it cannot queue, so the connect sees no answer
// at all, exactly as from a host that is switched off.
//
// Devices that take the TCP connection and never answer the ISO request:
// a listener on every address with a long accept queue that it never
// takes from. Their reads run side by side, so 1, 16 or 254 of them cost
// one ISO answer time-out all the same.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

#include "bench/common/ProgramRun.h"
#include "plc/scan/PortProbe.h"

namespace {

sockaddr_in Loopback(std::uint32_t address, int port) {
  sockaddr_in where{};
  where.sin_family = AF_INET;
  where.sin_port = htons(static_cast<std::uint16_t>(port));
  where.sin_addr.s_addr = htonl(address);
  return where;
}

// A port on every address that takes no connection and refuses none: its
// one-place accept queue is filled and never emptied.
class TSilentPort {
 public:
  TSilentPort() : FListener(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in where = Loopback(INADDR_ANY, 0);
    socklen_t length = sizeof where;
    if (::bind(FListener.Fd(), reinterpret_cast<sockaddr*>(&where), length) != 0 ||
        ::listen(FListener.Fd(), 0) != 0)
      throw std::runtime_error("no listener");
    ::getsockname(FListener.Fd(), reinterpret_cast<sockaddr*>(&where), &length);
    FPort = ntohs(where.sin_port);
    // Fillers until one stays unanswered: then the queue is full.
    for (int i = 0; i < 4; ++i) {
      TSocket filler(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
      const sockaddr_in to = Loopback(INADDR_LOOPBACK, FPort);
      ::connect(filler.Fd(), reinterpret_cast<const sockaddr*>(&to), sizeof to);
      FFillers.push_back(std::move(filler));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  int Port() const { return FPort; }

 private:
  TSocket FListener;
  std::vector<TSocket> FFillers;
  int FPort = 0;
};

// A port on every address that takes every connection and never answers:
// the kernel completes the handshakes into a long accept queue, emptied
// only between the runs.
class TMutePort {
 public:
  TMutePort() : FListener(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0)) {
    sockaddr_in where = Loopback(INADDR_ANY, 0);
    socklen_t length = sizeof where;
    if (::bind(FListener.Fd(), reinterpret_cast<sockaddr*>(&where), length) != 0 ||
        ::listen(FListener.Fd(), 4096) != 0)
      throw std::runtime_error("no listener");
    ::getsockname(FListener.Fd(), reinterpret_cast<sockaddr*>(&where), &length);
    FPort = ntohs(where.sin_port);
  }
  int Port() const { return FPort; }
  void Drain() {
    while (TSocket(::accept(FListener.Fd(), nullptr, nullptr))) {
    }
  }

 private:
  TSocket FListener;
  int FPort = 0;
};

// A port number nothing listens on: taken from the system, then let go.
int RefusingPort() {
  TSocket probe(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in where = Loopback(INADDR_LOOPBACK, 0);
  socklen_t length = sizeof where;
  ::bind(probe.Fd(), reinterpret_cast<sockaddr*>(&where), length);
  ::getsockname(probe.Fd(), reinterpret_cast<sockaddr*>(&where), &length);
  return ntohs(where.sin_port);
}

void ProbeRange(benchmark::State& state, TScanRange range, int port, double boundSeconds) {
  double slowest = 0;
  std::size_t found = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    found = ProbePorts(range, {.Port = port}).Value.size();
    slowest = std::max(
        slowest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["addresses"] = static_cast<double>(range.Count());
  state.counters["open"] = static_cast<double>(found);
  state.counters["slowest_s"] = slowest;
  state.counters["bound_s"] = boundSeconds;
  if (found != 0) state.SkipWithError("a port answered: the range was not silent or refusing");
  if (slowest > boundSeconds) state.SkipWithError("over the bound");
}

void SilentSlash24(benchmark::State& state) {
  const TSilentPort silent;
  const double bound = std::chrono::duration<double>(TProbeOptions{}.ConnectTimeout).count() + 1;
  ProbeRange(state, {0x7F020000, 0x7F0200FF}, silent.Port(), bound);  // 127.2.0.0/24
}

void RefusingSlash20(benchmark::State& state) {
  ProbeRange(state, {0x7F100000, 0x7F100FFF}, RefusingPort(), 10);  // 127.16.0.0/20
}

// The largest range allowed, for the record: no bound of its own.
void RefusingSlash16(benchmark::State& state) {
  ProbeRange(state, {0x7F200000, 0x7F20FFFF}, RefusingPort(), 600);  // 127.32.0.0/16
}

// A project folder whose drv/ holds the S7 driver and no configuration
// file: the scan uses the defaults' rack and slot.
class TScanProject {
 public:
  TScanProject()
      : FDir(std::filesystem::temp_directory_path() /
             ("vn_scan_bench_" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(FDir);
    std::filesystem::create_directories(FDir / "drv");
    std::filesystem::copy_file(std::filesystem::path(VN_DEMO_DRV_DIR) / "libs7drv.so",
                               FDir / "drv" / "libs7drv.so");
  }
  ~TScanProject() {
    std::error_code ignored;
    std::filesystem::remove_all(FDir, ignored);
  }
  std::string Dir() const { return FDir.string(); }

 private:
  std::filesystem::path FDir;
};

// --scan range --port port as a whole process; no PLC is there, so exit 1.
// descriptors: a limit on open descriptors the program cannot raise (0:
// none); between: what to do before each run.
void ScanProcess(benchmark::State& state, const std::string& range, int port, double boundSeconds,
                 rlim_t descriptors = 0, const std::function<void()>& between = {}) {
  const TScanProject project;
  double slowest = 0;
  for (auto _ : state) {
    if (between) between();
    const std::vector<std::string> arguments{"--dir", project.Dir(), "--scan",
                                             range,   "--port",      std::to_string(port)};
    const auto start = std::chrono::steady_clock::now();
    const int exitCode =
        descriptors == 0 ? RunProgram(arguments) : RunProgramWithLimit(arguments, descriptors);
    slowest = std::max(
        slowest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (exitCode != 1) state.SkipWithError("the scan did not end with exit code 1 (none found)");
  }
  state.counters["slowest_s"] = slowest;
  state.counters["bound_s"] = boundSeconds;
  if (slowest > boundSeconds) state.SkipWithError("over the bound");
}

void ScanProcessSilentSlash24(benchmark::State& state) {
  const TSilentPort silent;
  const double bound = std::chrono::duration<double>(TProbeOptions{}.ConnectTimeout).count() + 1;
  ScanProcess(state, "127.2.0.0/24", silent.Port(), bound);
}

void ScanProcessRefusingSlash20(benchmark::State& state) {
  ScanProcess(state, "127.16.0.0/20", RefusingPort(), 10);
}

// A /24 of silent hosts where the shell allowed 64 descriptors: the probes
// still run as many at a time as the descriptors left make room for.
void ScanProcessSilentSlash24In64Descriptors(benchmark::State& state) {
  const TSilentPort silent;
  ScanProcess(state, "127.2.0.0/24", silent.Port(), 10, 64);
}

// state.range(0) devices that take the connection and never answer: their
// reads side by side cost one connect time-out, one ISO answer time-out
// (the library's 1.5 s) and a second at most.
void ScanProcessMuteDevices(benchmark::State& state) {
  TMutePort mute;
  const auto devices = state.range(0);
  const double bound =
      std::chrono::duration<double>(TProbeOptions{}.ConnectTimeout).count() + 1.5 + 1;
  ScanProcess(state, "127.3.0.1-" + std::to_string(devices), mute.Port(), bound, 0,
              [&mute] { mute.Drain(); });
  state.counters["devices"] = static_cast<double>(devices);
}

}  // namespace

BENCHMARK(ScanProcessSilentSlash24)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ScanProcessRefusingSlash20)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ScanProcessSilentSlash24In64Descriptors)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(ScanProcessMuteDevices)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Arg(16)
    ->Arg(254)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(SilentSlash24)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RefusingSlash20)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RefusingSlash16)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
