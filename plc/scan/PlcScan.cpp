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
  TReadRun(std::vector<TOpenPort>& ports, const TPlcReader& read)
      : FPorts(ports), FRead(read), FResults(ports.size()) {}

  void Work() {
    for (;;) {
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

  // Reports progress until every port is reported done or a read failed,
  // then rethrows the failure once the workers ended. Reads that all ended
  // before the first look are still reported.
  void Watch(std::vector<std::jthread>& workers, const TReadProgress& progress) {
    std::unique_lock lock(FMutex);
    std::size_t reported = 0;
    while (reported < FPorts.size() && !FFailed) {
      FChanged.wait(lock, [&] { return FDone != reported || FFailed; });
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
  std::vector<std::optional<TScanRecord>> FResults;
  std::atomic<std::size_t> FNext{0};
  std::atomic<bool> FFailed{false};
  std::exception_ptr FFailure;
  std::mutex FMutex;
  std::condition_variable FChanged;
  std::size_t FDone = 0;
  std::size_t FFound = 0;

  void Fail(std::exception_ptr failure) {
    std::lock_guard lock(FMutex);
    if (!FFailure) FFailure = failure;
    FFailed = true;
    FChanged.notify_one();
  }
};

}  // namespace

std::vector<TScanRecord> ReadPlcs(std::vector<TOpenPort> ports, const TPlcReader& read,
                                  std::size_t parallel, const TReadProgress& progress) {
  TReadRun run(ports, read);
  const std::size_t workerCount =
      std::clamp<std::size_t>(parallel, 1, std::max<std::size_t>(ports.size(), 1));
  std::vector<std::jthread> workers;
  for (std::size_t i = 0; i < workerCount; ++i) workers.emplace_back([&run] { run.Work(); });
  run.Watch(workers, progress);
  return run.Records();
}
