#include "plc/nodave/Transport.h"

#include "plc/nodave/Types.h"

namespace nodave {

const Clock& SystemClock() {
  static const SteadyClock clock;
  return clock;
}

int ReceiveExact(Transport& link, std::span<std::uint8_t> into, const Deadline& deadline,
                 std::size_t* received) {
  std::size_t got = 0;
  while (got < into.size()) {
    // Checked before every read, not only when a read has to wait: a peer
    // that keeps bytes coming must not carry a wait past its end. Reading
    // the clock costs no system call.
    if (deadline.expired()) return daveResTimeout;
    int n = link.receiveSome(into.subspan(got), deadline.remaining());
    if (n < 0) return n;
    got += static_cast<std::size_t>(n);
    if (received) *received += static_cast<std::size_t>(n);
  }
  return 0;
}

int ReceiveByte(Transport& link, const Deadline& deadline) {
  std::uint8_t b = 0;
  int r = ReceiveExact(link, std::span<std::uint8_t>(&b, 1), deadline);
  return r < 0 ? r : b;
}

}  // namespace nodave
