#pragma once
// A scriptable transport and a clock that only moves when told, for driving
// the protocol code without sockets or sleeping: replies are queued (or made
// by a responder from what was sent), may arrive late or as an endless
// stream, silence advances the clock by the whole time-out, and resets and
// closes can be injected at any point.
#include <algorithm>
#include <deque>
#include <functional>
#include <vector>

#include "plc/nodave/Clock.h"
#include "plc/nodave/Transport.h"
#include "plc/nodave/nodave.h"

namespace nodave::testing {

class FakeClock final : public Clock {
 public:
  Micros now() const override { return now_; }
  void advance(Micros d) { now_ += d; }

 private:
  Micros now_{1000000};
};

class FakeTransport final : public Transport {
 public:
  enum class Event { kData, kSilence, kReset, kClosed };

  explicit FakeTransport(FakeClock& clock) : clock_(clock) {}

  // Bytes the other side sends; chunk > 0 hands them out that many at a
  // time, and each piece arrives delay after the one before it was taken.
  void reply(const Bytes& bytes, std::size_t chunk = 0, Micros delay = Micros::zero()) {
    std::size_t step = chunk == 0 ? std::max<std::size_t>(bytes.size(), 1) : chunk;
    for (std::size_t at = 0; at < bytes.size(); at += step) {
      std::size_t n = std::min(step, bytes.size() - at);
      events_.push_back({Event::kData, Bytes(bytes.begin() + at, bytes.begin() + at + n), delay});
    }
  }
  // Once everything queued is taken, the other side keeps the line full
  // with chunk: every read finds it waiting, and each read takes interval.
  void stream(const Bytes& chunk, Micros interval) {
    stream_ = chunk;
    streamInterval_ = interval;
  }
  // Back to a fresh link: nothing sent, nothing queued.
  void clear() {
    events_.clear();
    sent.clear();
    responder = nullptr;
    sendResult = 0;
    open = true;
    shutdowns = 0;
    stream_.clear();
  }
  void silence() { events_.push_back({Event::kSilence, {}}); }
  void reset() { events_.push_back({Event::kReset, {}}); }
  void closeByPeer() { events_.push_back({Event::kClosed, {}}); }

  // Called after every frame we send; may queue the answer.
  std::function<void(const Bytes& sent, FakeTransport& self)> responder;

  std::vector<Bytes> sent;
  int sendResult = 0;
  bool open = true;
  int shutdowns = 0;

  int send(ByteSpan frame, Micros) override {
    if (sendResult != 0) return sendResult;
    sent.emplace_back(frame.begin(), frame.end());
    if (responder) responder(sent.back(), *this);
    return 0;
  }

  int receiveSome(std::span<std::uint8_t> into, Micros timeout) override {
    if (events_.empty() && !stream_.empty()) {
      events_.push_back({Event::kData, stream_, Micros::zero(), streamInterval_});
    }
    if (events_.empty()) {
      clock_.advance(timeout);
      return daveResTimeout;
    }
    auto& e = events_.front();
    if (e.delay > timeout) {  // not here yet when the wait ends
      clock_.advance(timeout);
      e.delay -= timeout;
      return daveResTimeout;
    }
    clock_.advance(e.delay);
    e.delay = Micros::zero();
    switch (e.kind) {
      case Event::kSilence:
        events_.pop_front();
        clock_.advance(timeout);
        return daveResTimeout;
      case Event::kReset:
        events_.pop_front();
        return daveResConnectionReset;
      case Event::kClosed:
        return daveResConnectionClosed;  // stays closed
      case Event::kData:
        break;
    }
    clock_.advance(e.cost);
    std::size_t n = std::min(into.size(), e.bytes.size());
    std::copy_n(e.bytes.begin(), n, into.begin());
    e.bytes.erase(e.bytes.begin(), e.bytes.begin() + static_cast<std::ptrdiff_t>(n));
    if (e.bytes.empty()) events_.pop_front();
    return static_cast<int>(n);
  }

  void shutdown() override { ++shutdowns; }
  bool isOpen() const override { return open; }
  bool drained() const { return events_.empty(); }

 private:
  struct Item {
    Event kind;
    Bytes bytes;
    Micros delay{};  // until the bytes arrive
    Micros cost{};   // of each read that takes some of them
  };
  FakeClock& clock_;
  std::deque<Item> events_;
  Bytes stream_;
  Micros streamInterval_{};
};

// A Transport that forwards to a FakeTransport owned elsewhere, so a test can
// hand ownership to an Interface and still script and inspect the fake.
class TransportRef final : public Transport {
 public:
  explicit TransportRef(Transport& target) : target_(target) {}
  int send(ByteSpan f, Micros t) override { return target_.send(f, t); }
  int receiveSome(std::span<std::uint8_t> into, Micros t) override {
    return target_.receiveSome(into, t);
  }
  void discardInput() override { target_.discardInput(); }
  void shutdown() override { target_.shutdown(); }
  bool isOpen() const override { return target_.isOpen(); }

 private:
  Transport& target_;
};

inline Bytes Hex(const char* text) {
  Bytes out;
  int nibble = -1;
  for (const char* p = text; *p; ++p) {
    int v;
    if (*p >= '0' && *p <= '9')
      v = *p - '0';
    else if (*p >= 'a' && *p <= 'f')
      v = *p - 'a' + 10;
    else if (*p >= 'A' && *p <= 'F')
      v = *p - 'A' + 10;
    else
      continue;
    if (nibble < 0) {
      nibble = v;
    } else {
      out.push_back(static_cast<std::uint8_t>(nibble << 4 | v));
      nibble = -1;
    }
  }
  return out;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace nodave::testing
