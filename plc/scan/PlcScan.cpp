#include "PlcScan.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace {

// What the workers share: the next port to take, the results in the
// order of ports, and the first failure.
class TReadRun {
 public:
  TReadRun(std::vector<TOpenPort>& ports, const TPlcReader& read, const std::atomic<bool>* stop)
      : FPorts(ports), FRead(read), FStop(stop), FResults(ports.size()) {}

  void Work() {
    for (;;) {
      if (FStop && *FStop) return Stopped();
      const std::size_t index = FNext++;
      if (index >= FPorts.size() || FFailed) return;
      std::optional<TScanRecord> record;
      try {
        record = FRead(FPorts[index]);
        if (record) {
          record->Address = FPorts[index].Address;
          record->Port = FPorts[index].Port;
        }
      } catch (...) {
        Fail(std::current_exception());
      }
      FPorts[index].Socket.Close();
      std::lock_guard lock(FMutex);
      FResults[index] = std::move(record);
      ++FDone;
      if (FResults[index]) ++FFound;
      FChanged.notify_one();
    }
  }

  // Reports progress until every port is done or a read failed, then
  // rethrows the failure once the workers ended.
  void Watch(std::vector<std::jthread>& workers, const TReadProgress& progress) {
    std::unique_lock lock(FMutex);
    std::size_t reported = 0;
    while (FDone < FPorts.size() && !FFailed && !FStopped) {
      FChanged.wait(lock, [&] { return FDone != reported || FFailed || FStopped; });
      reported = FDone;
      if (progress) progress(FDone, FPorts.size(), FFound);
    }
    lock.unlock();
    workers.clear();
    if (FFailure) std::rethrow_exception(FFailure);
  }

  std::vector<TScanRecord> Records() {
    std::vector<TScanRecord> records;
    for (auto& result : FResults)
      if (result) records.push_back(std::move(*result));
    return records;
  }

 private:
  std::vector<TOpenPort>& FPorts;
  const TPlcReader& FRead;
  const std::atomic<bool>* FStop;
  std::vector<std::optional<TScanRecord>> FResults;
  std::atomic<std::size_t> FNext{0};
  std::atomic<bool> FFailed{false};
  std::exception_ptr FFailure;
  std::mutex FMutex;
  std::condition_variable FChanged;
  std::size_t FDone = 0;
  std::size_t FFound = 0;
  bool FStopped = false;

  // Wakes the watch, which then waits for the reads still running.
  void Stopped() {
    std::lock_guard lock(FMutex);
    FStopped = true;
    FChanged.notify_one();
  }

  void Fail(std::exception_ptr failure) {
    std::lock_guard lock(FMutex);
    if (!FFailure) FFailure = failure;
    FFailed = true;
    FChanged.notify_one();
  }
};

}  // namespace

std::vector<TScanRecord> ReadPlcs(std::vector<TOpenPort> ports, const TPlcReader& read,
                                  std::size_t parallel, const TReadProgress& progress,
                                  const std::atomic<bool>* stop) {
  TReadRun run(ports, read, stop);
  const std::size_t workerCount =
      std::clamp<std::size_t>(parallel, 1, std::max<std::size_t>(ports.size(), 1));
  std::vector<std::jthread> workers;
  for (std::size_t i = 0; i < workerCount; ++i) workers.emplace_back([&run] { run.Work(); });
  run.Watch(workers, progress);
  return run.Records();
}
