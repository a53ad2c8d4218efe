#include "ui/BackgroundWork.h"

#include <algorithm>
#include <utility>

void TBackgroundWork::Start(TWork work) {
  RequestStop();
  ForgetEnded();
  TRun& run = FRuns.emplace_back();
  run.Thread = std::thread([work = std::move(work), &stop = *run.Stop, &ended = *run.Ended] {
    work(stop);
    ended = true;
  });
}

void TBackgroundWork::RequestStop() {
  if (!FRuns.empty()) *FRuns.back().Stop = true;
}

void TBackgroundWork::Finish() {
  for (TRun& run : FRuns) *run.Stop = true;
  for (TRun& run : FRuns)
    if (run.Thread.joinable()) run.Thread.join();
  FRuns.clear();
}

void TBackgroundWork::ForgetEnded() {
  std::erase_if(FRuns, [](TRun& run) {
    if (!*run.Ended) return false;
    run.Thread.join();
    return true;
  });
}
