#pragma once
// The one way the library waits for a descriptor. A signal interrupts
// ppoll(), and glibc does not hand back the time left; the wait then goes on
// for what remains of the deadline, so signals that keep coming (a profiling
// timer, an interval timer of the host program) cannot stretch it for ever.
#include <errno.h>
#include <poll.h>

#include <ctime>

#include "plc/nodave/Clock.h"

namespace nodave {

// 1: the descriptor is ready (or has an error or hang-up to report),
// 0: the deadline passed, -1: ppoll failed.
inline int WaitReady(int fd, short events, const Deadline& deadline) {
  pollfd p{fd, events, 0};
  for (;;) {
    Micros left = deadline.remaining();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(left.count() / 1000000);
    ts.tv_nsec = static_cast<long>((left.count() % 1000000) * 1000);
    int r = ppoll(&p, 1, &ts, nullptr);
    if (r < 0 && errno == EINTR) continue;
    return r < 0 ? -1 : r;
  }
}

}  // namespace nodave
