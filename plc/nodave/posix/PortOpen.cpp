// Opening the descriptors the interfaces run on: TCP sockets and serial
// ports. Both are left non-blocking; every wait goes through poll().
#include "PortOpen.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../nodave.h"
#include "HostLookup.h"
#include "PollWait.h"

namespace nodave {
namespace {

std::atomic<int> gConnectTimeoutMs{daveDefaultConnectTimeoutMs};

// Waits for a non-blocking connect to finish before the deadline. On failure
// errno says why: ETIMEDOUT, or the error the connect ended with.
bool FinishConnect(int fd, const Deadline& deadline) {
  int ready = WaitReady(fd, POLLOUT, deadline);
  if (ready <= 0) {
    if (ready == 0) errno = ETIMEDOUT;
    return false;
  }
  int err = 0;
  socklen_t len = sizeof err;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return false;
  errno = err;
  return err == 0;
}

int ConnectTo(const addrinfo& ai, const Deadline& deadline) {
  int fd = socket(ai.ai_family, ai.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai.ai_protocol);
  if (fd < 0) return -1;
  int one = 1;
  // Request and answer alternate; Nagle's algorithm would only add delay.
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  int r = connect(fd, ai.ai_addr, ai.ai_addrlen);
  if (r == 0 || (errno == EINPROGRESS && FinishConnect(fd, deadline))) return fd;
  int why = errno;
  close(fd);
  errno = why;
  return -1;
}

speed_t BaudConstant(const char* text) {
  struct Rate {
    const char* text;
    speed_t speed;
  };
  static const Rate rates[] = {{"1200", B1200},   {"2400", B2400},     {"4800", B4800},
                               {"9600", B9600},   {"19200", B19200},   {"38400", B38400},
                               {"57600", B57600}, {"115200", B115200}, {"230400", B230400}};
  for (const Rate& r : rates) {
    if (std::strcmp(r.text, text) == 0) return r.speed;
  }
  return B0;
}

std::string DevicePath(const char* name) {
  // "COM<n>" names the n-th port as the program's settings count them.
  if (std::strncmp(name, "COM", 3) == 0 && name[3] != '\0') {
    char* end = nullptr;
    long n = std::strtol(name + 3, &end, 10);
    if (*end != '\0' || n < 1 || n > 255) return {};
    std::string var = "VN_S7_COM" + std::to_string(n);
    if (const char* mapped = std::getenv(var.c_str()); mapped && *mapped) return mapped;
    return "/dev/ttyS" + std::to_string(n - 1);
  }
  return name;
}

}  // namespace

void SetConnectTimeoutMs(int ms) {
  if (ms >= 1) gConnectTimeoutMs = ms;
}

int OpenTcp(int port, const char* peer) {
  if (!peer || port < 1 || port > 65535) {
    errno = EINVAL;
    return -1;
  }
  // One time limit for the whole call: looking up a name uses part of it.
  Deadline deadline(SystemClock(), std::chrono::milliseconds(gConnectTimeoutMs.load()));
  AddrList addresses = LookUpTcpPeer(peer, port, deadline);
  if (!addresses) return -1;
  errno = ETIMEDOUT;
  // A name may stand for several addresses (IPv6 and IPv4): the first that
  // takes the connection wins.
  for (const addrinfo* ai = addresses.get(); ai && !deadline.expired(); ai = ai->ai_next) {
    if (int fd = ConnectTo(*ai, deadline); fd >= 0) return fd;
  }
  return -1;
}

int OpenSerial(const char* name, const char* baud, int parity) {
  if (!name || !baud) return -1;
  speed_t speed = BaudConstant(baud);
  if (speed == B0) return -1;
  if (parity != 'O' && parity != 'o' && parity != 'E' && parity != 'e' && parity != 'N' &&
      parity != 'n') {
    return -1;
  }
  std::string path = DevicePath(name);
  if (path.empty()) return -1;
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) {
    close(fd);
    return -1;
  }
  cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  if (parity == 'O' || parity == 'o') tio.c_cflag |= PARENB | PARODD;
  if (parity == 'E' || parity == 'e') tio.c_cflag |= PARENB;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);
  if (tcsetattr(fd, TCSANOW, &tio) != 0) {
    close(fd);
    return -1;
  }
  tcflush(fd, TCIOFLUSH);
  return fd;
}

int ClosePort(int handle) {
  if (handle < 0) return -1;
  return close(handle) == 0 ? 0 : -1;
}

}  // namespace nodave
