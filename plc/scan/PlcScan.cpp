#include "plc/scan/PlcScan.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace {

// What the workers share: the next port to take, the results in the
// order of ports, the first failure, and when the run can be stopped, a
// second descriptor of each connection being read, so that a stop can end
// the reads under way at once instead of after their time-outs.
class TReadRun {
 public:
  TReadRun(std::vector<TOpenPort>& ports, const TPlcReader& read, const std::atomic<bool>* stop)
      : FPorts(ports), FRead(read), FStop(stop), FResults(ports.size()), FFollowed(ports.size()) {}

  void Work() {
    for (;;) {
      if (FStop && *FStop) return Stopped();
      const std::size_t index = FNext++;
      if (index >= FPorts.size() || FFailed) return;
      Follow(index);
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
      FFollowed[index].Close();
      FResults[index] = std::move(record);
      ++FDone;
      if (FResults[index]) ++FFound;
      FChanged.notify_one();
    }
  }

  // Reports progress until every port is reported done or a read failed,
  // then rethrows the failure once the workers ended. Reads that all ended
  // before the first look are still reported.
  void Watch(std::vector<std::jthread>& workers, const TReadProgress& progress) {
    std::unique_lock lock(FMutex);
    std::size_t reported = 0;
    const auto changed = [&] { return FDone != reported || FFailed || FStopped || Stopping(); };
    while (reported < FPorts.size() && !FFailed && !FStopped) {
      if (!FStop) {
        FChanged.wait(lock, changed);
      } else if (!FChanged.wait_for(lock, std::chrono::milliseconds(kStopCheckMs), changed)) {
        continue;  // nobody wakes the watch for a stop: it looks now and then
      }
      if (Stopping()) break;
      reported = FDone;
      if (progress) progress(FDone, FPorts.size(), FFound);
    }
    if (Stopping())
      for (TSocket& followed : FFollowed) followed.ShutDown();
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
  std::vector<TSocket> FFollowed;

  bool Stopping() const { return FStop && *FStop; }

  // Keeps a second descriptor of the connection the read of index starts
  // on, when the run can be stopped; a stop that came already ends it.
  void Follow(std::size_t index) {
    if (!FStop) return;
    std::lock_guard lock(FMutex);
    FFollowed[index] = FPorts[index].Socket.Duplicate();
    if (Stopping()) FFollowed[index].ShutDown();
  }

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
