#pragma once
// The long work of one window (a scan, a diagnosis, a channel check) on a
// thread of its own, so the window and the dialog answer while it runs. The
// window owns it as its last member: closing the window asks the work to
// stop, and the window goes only after the thread ended, so no result can
// reach a window that is gone. Results go back as queued signals.
#include <atomic>
#include <functional>
#include <thread>

class TBackgroundWork {
 public:
  TBackgroundWork() = default;
  TBackgroundWork(const TBackgroundWork&) = delete;
  TBackgroundWork& operator=(const TBackgroundWork&) = delete;
  ~TBackgroundWork() { Finish(); }

  // The work gets the stop flag, which it checks between its steps.
  using TWork = std::function<void(const std::atomic<bool>& stop)>;
  // Runs work on a new thread once the previous work ended (it is asked to
  // stop first; the wait is its current step's, bounded by the library's
  // time-outs).
  void Start(TWork work);
  // Asks the work to end at its next check; returns at once.
  void RequestStop() { FStop = true; }
  // Asks the work to stop and waits for its thread.
  void Finish();

 private:
  std::atomic<bool> FStop{false};
  std::thread FThread;
};
