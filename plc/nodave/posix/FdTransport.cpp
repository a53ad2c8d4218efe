// Transport over POSIX descriptors: ppoll() bounds every wait, so no call can
// block longer than its time-out, and nothing polls with sleeps.
#include <errno.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "plc/nodave/Transport.h"
#include "plc/nodave/Types.h"
#include "plc/nodave/posix/PollWait.h"

namespace nodave {
namespace {

bool IsSocket(int fd) {
  struct stat st {};
  return fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
}

class FdTransport final : public Transport {
 public:
  FdTransport(int readFd, int writeFd)
      : rfd_(readFd), wfd_(writeFd), socket_(readFd >= 0 && IsSocket(readFd)) {}

  bool isOpen() const override {
    return rfd_ >= 0 && wfd_ >= 0 && fcntl(rfd_, F_GETFD) != -1 && fcntl(wfd_, F_GETFD) != -1;
  }

  // send and receiveSome do not check the descriptors first: that would
  // cost two system calls per read. A closed descriptor shows as EBADF.
  int send(ByteSpan frame, Micros timeout) override {
    Deadline deadline(SystemClock(), timeout);
    std::size_t done = 0;
    while (done < frame.size()) {
      ssize_t n = socket_ ? ::send(wfd_, frame.data() + done, frame.size() - done,
                                   MSG_NOSIGNAL | MSG_DONTWAIT)
                          : ::write(wfd_, frame.data() + done, frame.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EBADF) return daveResPortNotOpen;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        int r = WaitReady(wfd_, POLLOUT, deadline);
        if (r == 0) return daveResTimeout;
        if (r < 0) return daveResSendFailed;
        continue;
      }
      return daveResSendFailed;
    }
    if (!socket_) tcdrain(wfd_);  // the frame is on the line before we wait for the answer
    return 0;
  }

  int receiveSome(std::span<std::uint8_t> into, Micros timeout) override {
    if (into.empty()) return 0;
    Deadline deadline(SystemClock(), timeout);
    for (;;) {
      ssize_t n = socket_ ? ::recv(rfd_, into.data(), into.size(), MSG_DONTWAIT)
                          : ::read(rfd_, into.data(), into.size());
      if (n > 0) return static_cast<int>(n);
      if (n == 0) {
        // A serial line has no end of file: a descriptor opened non-blocking
        // with VMIN 0 reads 0 when nothing is there.
        if (socket_) return daveResConnectionClosed;
      } else if (errno == EINTR) {
        continue;
      } else if (errno == EBADF) {
        return daveResPortNotOpen;
      } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
        return errno == EIO && !socket_ ? daveResConnectionClosed : daveResConnectionReset;
      }
      if (deadline.expired()) return daveResTimeout;
      int r = WaitReady(rfd_, POLLIN, deadline);
      if (r == 0) return daveResTimeout;
      if (r < 0) return daveResConnectionReset;
    }
  }

  void discardInput() override {
    if (socket_ || rfd_ < 0) return;
    tcflush(rfd_, TCIFLUSH);
  }

  void shutdown() override {
    if (socket_) ::shutdown(rfd_, SHUT_RDWR);
  }

 private:
  int rfd_;
  int wfd_;
  bool socket_;
};

}  // namespace

std::unique_ptr<Transport> MakeFdTransport(int readFd, int writeFd) {
  return std::make_unique<FdTransport>(readFd, writeFd);
}

}  // namespace nodave
