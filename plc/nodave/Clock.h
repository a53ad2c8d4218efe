#pragma once
// Time as the protocol code sees it. Every wait is bounded by a deadline
// taken from a Clock; tests put a fake clock behind it so that time-outs are
// checked without sleeping.
#include <algorithm>
#include <chrono>

namespace nodave {

using Micros = std::chrono::microseconds;

class Clock {
 public:
  virtual ~Clock() = default;
  virtual Micros now() const = 0;
};

// The monotonic system clock.
class SteadyClock final : public Clock {
 public:
  Micros now() const override {
    return std::chrono::duration_cast<Micros>(std::chrono::steady_clock::now().time_since_epoch());
  }
};

const Clock& SystemClock();

// A point in time after which a wait gives up.
class Deadline {
 public:
  Deadline(const Clock& clock, Micros timeout) : clock_(&clock), end_(clock.now() + timeout) {}
  // timeout from now, but never later than notAfter (a point on clock).
  Deadline(const Clock& clock, Micros timeout, Micros notAfter)
      : clock_(&clock), end_(std::min(clock.now() + timeout, notAfter)) {}

  Micros remaining() const {
    Micros left = end_ - clock_->now();
    return left > Micros::zero() ? left : Micros::zero();
  }
  bool expired() const { return remaining() == Micros::zero(); }

 private:
  const Clock* clock_;
  Micros end_;
};

// The time one public library call may take. The call's end is fixed when
// the call starts, as a multiple of the answer time-out (daveCallTimeoutFactor
// in nodave.h); every wait inside the call is the answer time-out cut at that
// end. So neither many answers, nor answers that trickle in, nor frames that
// never finish an answer can make a call last longer.
class CallBudget {
 public:
  CallBudget(const Clock& clock, Micros answerTimeout, int callFactor)
      : clock_(clock), timeout_(answerTimeout), factor_(callFactor), end_(clock.now()) {}

  void setAnswerTimeout(Micros timeout) { timeout_ = timeout; }
  Micros answerTimeout() const { return timeout_; }
  Micros callLimit() const { return timeout_ * factor_; }

  // Fixes the end of the call that starts now.
  void startCall() { end_ = clock_.now() + callLimit(); }
  // The wait for one answer (or one handshake byte, or one send).
  Deadline answerDeadline() const { return Deadline(clock_, timeout_, end_); }
  // The call's time is used up: retries stop here.
  bool callOver() const { return clock_.now() >= end_; }
  // How long sending one frame may take.
  Micros sendLimit() const { return answerDeadline().remaining(); }

 private:
  const Clock& clock_;
  Micros timeout_;
  int factor_;
  Micros end_;
};

}  // namespace nodave
