// Test peer: runs the Snap7 server (an independent S7 implementation, from the
// npm package node-snap7) on loopback: on the port given as its first
// argument (1..65535; 0 or none: a free one) and the IPv4 address given as
// its second (default 127.0.0.1, so that a scan can find peers on several
// 127.x addresses). The third, optional, lists the memory areas it serves,
// comma separated: E=<bytes>, A=, M=, T=, Z= and DB<n>=<bytes> or
// DB<n>-<m>=<bytes> for data blocks n to m; byte i of an area holds
// (i + n - 1) & 0xFF for data block n and i & 0xFF elsewhere, so a reader can
// tell that what it shows was read. Prints "PORT <n>" on its first output line,
// then serves until its standard input closes, so that it never outlives the
// test or script that started it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

using TAreaBytes = std::vector<std::vector<unsigned char>>;

std::vector<unsigned char>& NewArea(TAreaBytes& areas, long size, int base) {
  std::vector<unsigned char>& bytes = areas.emplace_back(static_cast<std::size_t>(size));
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i + base);
  return bytes;
}

// Registers the areas of the list; false for an entry it cannot use.
bool ServeAreas(TSnap7Server& server, const std::string& list, TAreaBytes& areas) {
  struct System {
    const char* name;
    int code;
  };
  const System systems[] = {
      {"E", srvAreaPE}, {"A", srvAreaPA}, {"M", srvAreaMK}, {"T", srvAreaTM}, {"Z", srvAreaCT}};
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    const std::string entry = list.substr(start, end - start);
    start = end + 1;
    const std::size_t eq = entry.find('=');
    if (eq == std::string::npos) return false;
    const std::string name = entry.substr(0, eq);
    const long size = std::atol(entry.c_str() + eq + 1);
    if (size < 1 || size > 65535) return false;
    bool known = false;
    for (const System& system : systems) {
      if (name != system.name) continue;
      server.RegisterArea(system.code, 0, NewArea(areas, size, 0).data(), word(size));
      known = true;
    }
    if (known) continue;
    int first = 0, last = 0;
    if (std::sscanf(name.c_str(), "DB%d-%d", &first, &last) == 2) {
    } else if (std::sscanf(name.c_str(), "DB%d", &first) == 1) {
      last = first;
    } else {
      return false;
    }
    if (first < 1 || last < first || last > 65535) return false;
    for (int db = first; db <= last; ++db)
      server.RegisterArea(srvAreaDB, word(db), NewArea(areas, size, db - 1).data(), word(size));
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* address = argc >= 3 ? argv[2] : "127.0.0.1";
  in_addr where{};
  TSnap7Server server;
  TAreaBytes areas;
  if (argc > 4 || (argc >= 2 && RequestedPort(argv[1]) < 0) ||
      inet_pton(AF_INET, address, &where) != 1 ||
      (argc == 4 && !ServeAreas(server, argv[3], areas))) {
    std::fprintf(stderr, "usage: s7peer [port 0..65535 [IPv4 address [areas]]]\n");
    return 2;
  }
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
