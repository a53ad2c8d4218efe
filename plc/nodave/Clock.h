#pragma once
// Time as the protocol code sees it. Every wait is bounded by a deadline
// taken from a Clock; tests put a fake clock behind it so that time-outs are
// checked without sleeping.
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

  Micros remaining() const {
    Micros left = end_ - clock_->now();
    return left > Micros::zero() ? left : Micros::zero();
  }
  bool expired() const { return remaining() == Micros::zero(); }

 private:
  const Clock* clock_;
  Micros end_;
};

}  // namespace nodave
