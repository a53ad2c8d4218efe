// Opening the descriptors the interfaces run on: TCP sockets and serial
// ports. Both are left non-blocking; every wait goes through poll().
#include "plc/nodave/posix/PortOpen.h"

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

#include "plc/nodave/Failure.h"
#include "plc/nodave/Types.h"
#include "plc/nodave/posix/DeviceFacts.h"
#include "plc/nodave/posix/HostLookup.h"
#include "plc/nodave/posix/PollWait.h"

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

// "ADDRESS:PORT", an IPv6 address in brackets.
std::string AddressText(const char* peer, int port) {
  const std::string host = peer ? peer : "";
  const bool v6 = host.find(':') != std::string::npos;
  return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

// Records a failed open (errno is kept for the caller) and returns -1.
int OpenFailed(int step, const PortOrigin& origin) {
  const int why = errno;
  daveFailure& f = OpenFailure();
  f = MakeFailure(step, -1, origin);
  f.osError = why;
  if (step == daveStepSerialOpen) AddDeviceFacts(origin.device, why, f);
  errno = why;
  return -1;
}

int Opened(int fd, const PortOrigin& origin) {
  RememberOrigin(fd, origin);
  OpenFailure() = NoFailure();
  return fd;
}

int OpenDevice(const std::string& path, speed_t speed, int parity) {
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  termios tio{};
  if (!LockDevice(fd) || tcgetattr(fd, &tio) != 0) {
    const int why = errno;
    close(fd);
    errno = why;
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
    const int why = errno;
    close(fd);
    errno = why;
    return -1;
  }
  tcflush(fd, TCIOFLUSH);
  return fd;
}

}  // namespace

int ConnectTimeoutMs() {
  return gConnectTimeoutMs.load();
}

void SetConnectTimeoutMs(int ms) {
  if (ms >= 1) gConnectTimeoutMs = ms;
}

static int LookUp(int port, const char* peer, const Deadline& deadline, AddrList& addresses) {
  PortOrigin origin;
  SetField(origin.address, AddressText(peer, port));
  if (!peer || port < 1 || port > 65535) {
    errno = EINVAL;
    return OpenFailed(daveStepTcpConnect, origin);
  }
  addresses = LookUpTcpPeer(peer, port, deadline);
  if (addresses) return 0;
  // errno stays ENOENT for the caller; the detail tells a name server that
  // did not answer in time from a name that does not exist.
  OpenFailed(daveStepNameLookup, origin);
  if (deadline.expired()) OpenFailure().osError = ETIMEDOUT;
  errno = ENOENT;
  return -1;
}

int OpenTcp(int port, const char* peer) {
  return OpenTcpWithin(port, peer, gConnectTimeoutMs.load());
}

int OpenTcpWithin(int port, const char* peer, int milliseconds) {
  // One time limit for the whole call: looking up a name uses part of it.
  Deadline deadline(SystemClock(), std::chrono::milliseconds(milliseconds));
  AddrList addresses;
  if (LookUp(port, peer, deadline, addresses) != 0) return -1;
  PortOrigin origin;
  SetField(origin.address, AddressText(peer, port));
  errno = ETIMEDOUT;
  // A name may stand for several addresses (IPv6 and IPv4): the first that
  // takes the connection wins.
  for (const addrinfo* ai = addresses.get(); ai && !deadline.expired(); ai = ai->ai_next) {
    if (int fd = ConnectTo(*ai, deadline); fd >= 0) return Opened(fd, origin);
  }
  return OpenFailed(daveStepTcpConnect, origin);
}

int LookUpNumeric(int port, const char* peer, std::string& numeric) {
  Deadline deadline(SystemClock(), std::chrono::milliseconds(gConnectTimeoutMs.load()));
  AddrList addresses;
  if (LookUp(port, peer, deadline, addresses) != 0) return -1;
  char host[NI_MAXHOST] = {};
  if (getnameinfo(addresses->ai_addr, addresses->ai_addrlen, host, sizeof host, nullptr, 0,
                  NI_NUMERICHOST) != 0) {
    errno = ENOENT;
    PortOrigin origin;
    SetField(origin.address, AddressText(peer, port));
    return OpenFailed(daveStepNameLookup, origin);
  }
  numeric = host;
  OpenFailure() = NoFailure();
  return 0;
}

int OpenSerial(const char* name, const char* baud, int parity) {
  PortOrigin origin;
  if (name) SetField(origin.device, name);
  if (baud) SetField(origin.speed, baud);
  errno = EINVAL;
  if (!name || !baud) return OpenFailed(daveStepSerialOpen, origin);
  speed_t speed = BaudConstant(baud);
  const bool knownParity = parity == 'O' || parity == 'o' || parity == 'E' || parity == 'e' ||
                           parity == 'N' || parity == 'n';
  std::string path = DevicePath(name);
  if (!path.empty()) SetField(origin.device, path);
  if (speed == B0 || !knownParity || path.empty()) return OpenFailed(daveStepSerialOpen, origin);
  int fd = OpenDevice(path, speed, parity);
  return fd < 0 ? OpenFailed(daveStepSerialOpen, origin) : Opened(fd, origin);
}

int ClosePort(int handle) {
  if (handle < 0) return -1;
  ForgetOrigin(handle);
  return close(handle) == 0 ? 0 : -1;
}

}  // namespace nodave
