#include "BackgroundWork.h"

#include <utility>

void TBackgroundWork::Start(TWork work) {
  Finish();
  FStop = false;
  FThread = std::thread([this, work = std::move(work)] { work(FStop); });
}

void TBackgroundWork::Finish() {
  RequestStop();
  if (FThread.joinable()) FThread.join();
}
