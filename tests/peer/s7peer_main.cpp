// Test peer: runs the Snap7 server (an independent S7 implementation, from the
// npm package node-snap7) on loopback: on the port given as its first
// argument (1..65535; 0 or none: a free one) and the IPv4 address given as
// its second (default 127.0.0.1, so that a scan can find peers on several
// 127.x addresses). Prints "PORT <n>" on its first output line,
// then serves until its standard input closes, so that it never outlives the
// test or script that started it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "s7_server.h"

namespace {

// Asks the system for a free port on address. Another process could take it
// before the server binds it, hence the retries in main.
int FreePort(in_addr address) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr = address;
  socklen_t len = sizeof addr;
  int port = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  close(fd);
  return port;
}

// The port asked for: 0..65535 in decimal digits only; -1 otherwise, so that
// "70000" is not taken as 4464 nor "abc" as "any port".
int RequestedPort(const char* text) {
  if (*text == '\0' || std::strlen(text) > 5 ||
      std::strspn(text, "0123456789") != std::strlen(text))
    return -1;
  const int port = std::atoi(text);
  return port <= 65535 ? port : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const char* address = argc == 3 ? argv[2] : "127.0.0.1";
  in_addr where{};
  if (argc > 3 || (argc >= 2 && RequestedPort(argv[1]) < 0) ||
      inet_pton(AF_INET, address, &where) != 1) {
    std::fprintf(stderr, "usage: s7peer [port 0..65535 [IPv4 address]]\n");
    return 2;
  }
  TSnap7Server server;
  const int requested = argc >= 2 ? RequestedPort(argv[1]) : 0;
  int port = -1;
  for (int attempt = 0; attempt < 20 && port < 0; ++attempt) {
    int candidate = requested > 0 ? requested : FreePort(where);
    if (candidate <= 0) continue;
    word p = static_cast<word>(candidate);
    server.SetParam(p_u16_LocalPort, &p);
    if (server.StartTo(address) == 0) port = candidate;
    if (requested > 0) break;
  }
  if (port < 0) {
    std::fprintf(stderr, "s7peer: could not start the server\n");
    return 1;
  }
  std::printf("PORT %d\n", port);
  std::fflush(stdout);
  char c;
  while (read(STDIN_FILENO, &c, 1) > 0) {
  }
  server.Stop();
  return 0;
}
