#pragma once
// The byte link under every protocol: a TCP socket or a serial port. The
// protocol code only sends whole frames and receives bytes within a time-out;
// the descriptors themselves belong to whoever opened them.
#include <cstdint>
#include <memory>
#include <span>

#include "plc/nodave/ByteIO.h"
#include "plc/nodave/Clock.h"

namespace nodave {

class Transport {
 public:
  virtual ~Transport() = default;

  // Sends the whole frame within timeout, in one write whenever the system
  // takes it at once. Returns 0 or daveResSendFailed / daveResTimeout.
  virtual int send(ByteSpan frame, Micros timeout) = 0;

  // Waits at most timeout for bytes and returns how many were read (> 0), or
  // daveResTimeout, daveResConnectionClosed, daveResConnectionReset.
  virtual int receiveSome(std::span<std::uint8_t> into, Micros timeout) = 0;

  // Drops bytes that arrived unasked (serial lines), so that a stale answer
  // is not taken for the next one.
  virtual void discardInput() {}

  // Ends the link without releasing the descriptor (TCP: both directions are
  // shut down, so the peer sees the end at once).
  virtual void shutdown() {}

  // False when the descriptor is not usable at all.
  virtual bool isOpen() const = 0;
};

// Reads exactly into.size() bytes before the deadline; once it has passed,
// the result is daveResTimeout even while bytes keep coming. Returns 0 or the
// transport's negative result code; received (may be null) is increased by
// the bytes that arrived, so a caller can tell silence from a cut answer.
int ReceiveExact(Transport& link, std::span<std::uint8_t> into, const Deadline& deadline,
                 std::size_t* received = nullptr);

// Reads one byte before the deadline: the byte (0..255) or a negative code.
int ReceiveByte(Transport& link, const Deadline& deadline);

// The transport over a pair of POSIX descriptors (read, write). Sockets and
// serial ports differ only in how the link is ended.
std::unique_ptr<Transport> MakeFdTransport(int readFd, int writeFd);

}  // namespace nodave
