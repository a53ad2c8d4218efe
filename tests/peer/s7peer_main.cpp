// Test peer: runs the Snap7 server (an independent S7 implementation, from the
// npm package node-snap7) on a free loopback port. Prints "PORT <n>" on its
// first output line, then serves until its standard input closes, so that it
// never outlives the test that started it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "s7_server.h"

namespace {

// Asks the system for a free loopback port. Another process could take it
// before the server binds it, hence the retries in main.
int FreeLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  close(fd);
  return port;
}

}  // namespace

int main(int argc, char** argv) {
  TSnap7Server server;
  int requested = argc > 1 ? std::atoi(argv[1]) : 0;
  int port = -1;
  for (int attempt = 0; attempt < 20 && port < 0; ++attempt) {
    int candidate = requested > 0 ? requested : FreeLoopbackPort();
    if (candidate <= 0) continue;
    word p = static_cast<word>(candidate);
    server.SetParam(p_u16_LocalPort, &p);
    if (server.StartTo("127.0.0.1") == 0) port = candidate;
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
