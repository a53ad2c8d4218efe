#pragma once
// The long work of one window (a scan, a diagnosis, a channel check) on a
// thread of its own, so the window and the dialog answer while it runs. The
// window owns it as its last member: closing the window asks the work to
// stop, and the window goes only after every thread ended, so no result can
// reach a window that is gone. Results go back as queued signals.
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class TBackgroundWork {
 public:
  TBackgroundWork() = default;
  TBackgroundWork(const TBackgroundWork&) = delete;
  TBackgroundWork& operator=(const TBackgroundWork&) = delete;
  ~TBackgroundWork() { Finish(); }

  // The work gets its stop flag, which it checks between its steps.
  using TWork = std::function<void(const std::atomic<bool>& stop)>;
  // Runs work on a new thread. The previous work is asked to stop and left
  // to end on its own: a step under way (bounded by the S7 library's
  // time-outs) never holds up the window.
  void Start(TWork work);
  // Asks the current work to end at its next check; returns at once.
  void RequestStop();
  // Asks every work to stop and waits for their threads.
  void Finish();

 private:
  struct TRun {
    std::unique_ptr<std::atomic<bool>> Stop = std::make_unique<std::atomic<bool>>(false);
    std::unique_ptr<std::atomic<bool>> Ended = std::make_unique<std::atomic<bool>>(false);
    std::thread Thread;
  };
  // The current work last; the ones before it were asked to stop.
  std::vector<TRun> FRuns;

  // Joins the threads whose work has ended.
  void ForgetEnded();
};
