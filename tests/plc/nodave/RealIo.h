#pragma once
// Helpers for tests over real descriptors: counting the open descriptors,
// the emulator process, scripted TCP servers and pseudo-terminal peers.
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace nodave::testing {

inline int OpenDescriptorCount() {
  int n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// Reads exactly n bytes within timeoutMs; fewer on time-out or end.
inline std::vector<std::uint8_t> ReadBytes(int fd, std::size_t n, int timeoutMs = 2000) {
  std::vector<std::uint8_t> out;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (out.size() < n) {
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    end - std::chrono::steady_clock::now())
                                    .count());
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, left) <= 0) break;
    std::uint8_t buf[4096];
    ssize_t r = read(fd, buf, std::min(sizeof buf, n - out.size()));
    if (r <= 0) break;
    out.insert(out.end(), buf, buf + r);
  }
  return out;
}

// Reads one TPKT (an ISO-on-TCP frame) from the client.
inline std::vector<std::uint8_t> ReadTpkt(int fd) {
  std::vector<std::uint8_t> frame = ReadBytes(fd, 4);
  if (frame.size() < 4) return frame;
  const std::vector<std::uint8_t> rest =
      ReadBytes(fd, static_cast<std::size_t>(frame[2] << 8 | frame[3]) - 4);
  frame.insert(frame.end(), rest.begin(), rest.end());
  return frame;
}

inline void WriteBytes(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t r = write(fd, bytes.data() + done, bytes.size() - done);
    if (r <= 0) return;
    done += static_cast<std::size_t>(r);
  }
}

// The Snap7 server built by tests/peer/build-peer.sh, on a free loopback port
// (or the port and 127.x address given). It ends when its standard input
// closes, so it cannot outlive the test.
class EmulatorProcess {
 public:
  // areas: the memory it serves, as s7peer's third argument lists them.
  explicit EmulatorProcess(int port = 0, std::string address = "127.0.0.1",
                           std::string areas = {}) {
    std::string path = std::string(VN_BUILD_DIR) + "/peer/s7peer";
    std::string portText = std::to_string(port);
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    char* argv[] = {path.data(), portText.data(), address.data(),
                    areas.empty() ? nullptr : areas.data(), nullptr};
    int rc = posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdin_ = in[1];
    if (rc != 0) {
      close(out[0]);
      throw std::runtime_error("cannot start " + path + " (run the nodave_peer_build test)");
    }
    std::string line;
    for (;;) {  // one line: the peer keeps its output open
      std::vector<std::uint8_t> b = ReadBytes(out[0], 1, 5000);
      if (b.empty() || b[0] == '\n' || line.size() > 64) break;
      line.push_back(static_cast<char>(b[0]));
    }
    close(out[0]);
    if (line.rfind("PORT ", 0) != 0) throw std::runtime_error("emulator did not start");
    port_ = std::stoi(line.substr(5));
  }
  ~EmulatorProcess() {
    close(stdin_);
    int status;
    for (int i = 0; i < 200; ++i) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  int port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  int port_ = 0;
};

// A loopback port where nothing listens (bound once, then released).
inline int UnusedLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  close(fd);
  return ntohs(addr.sin_port);
}

// A TCP server on a free loopback port (or the port and 127.x address
// given, host byte order) that runs script on each of the connections it
// accepts (up to the number given), one after another.
class ScriptedServer {
 public:
  using Script = std::function<void(int fd)>;

  explicit ScriptedServer(Script script, int connections = 1,
                          std::uint32_t address = INADDR_LOOPBACK, int port = 0)
      : script_(std::move(script)) {
    listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(address);
    socklen_t len = sizeof addr;
    if (bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listen_, 4) != 0 ||
        getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      throw std::runtime_error("cannot listen");
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this, connections] {
      for (int i = 0; i < connections; ++i) {
        pollfd p{listen_, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) return;
        int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        script_(fd);
        close(fd);
      }
    });
  }
  ~ScriptedServer() {
    stop = true;
    thread_.join();
    close(listen_);
  }
  int port() const { return port_; }
  std::atomic<bool> stop{false};

 private:
  Script script_;
  int listen_ = -1;
  int port_ = 0;
  std::thread thread_;
};

// A pseudo-terminal: the library opens the slave by name, the scripted peer
// works on the master in its own thread.
class PtyPeer {
 public:
  using Script = std::function<void(int master)>;

  PtyPeer() {
    int slave = -1;
    char name[256] = {};
    if (openpty(&master_, &slave, name, nullptr, nullptr) != 0) {
      throw std::runtime_error("openpty");
    }
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    name_ = name;
    // The slave stays open so the line does not hang up between opens.
    slave_ = slave;
  }
  ~PtyPeer() {
    if (thread_.joinable()) thread_.join();
    close(slave_);
    close(master_);
  }
  void run(Script script) {
    thread_ = std::thread([this, s = std::move(script)] { s(master_); });
  }
  void join() {
    if (thread_.joinable()) thread_.join();
  }
  const std::string& name() const { return name_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string name_;
  std::thread thread_;
};

// The PC adapter's side of the MPI line protocol on a pseudo-terminal: takes
// the library's blocks (STX, DLE, block, DLE ETX, BCC) and answers with its
// own, as a scripted adapter does.
struct AdapterSide {
  using LineBytes = std::vector<std::uint8_t>;
  static constexpr std::uint8_t STX = 0x02, DLE = 0x10, ETX = 0x03, NAK = 0x15;

  int fd;
  std::vector<LineBytes> telegrams;  // what the library sent, DLE doubling undone
  std::vector<LineBytes> rawBlocks;  // the same as it was on the line
  bool failed = false;

  LineBytes receive() {
    for (int attempt = 0; attempt < 6; ++attempt) {
      LineBytes stx = ReadBytes(fd, 1);
      if (stx.size() != 1 || stx[0] != STX) break;
      WriteBytes(fd, {DLE});
      LineBytes raw, telegram;
      std::uint8_t bcc = 0;
      for (;;) {
        LineBytes b = ReadBytes(fd, 1);
        if (b.empty()) return fail();
        raw.push_back(b[0]);
        if (b[0] == DLE) {
          LineBytes n = ReadBytes(fd, 1);
          if (n.empty()) return fail();
          raw.push_back(n[0]);
          if (n[0] == ETX) break;
          telegram.push_back(n[0]);
        } else {
          telegram.push_back(b[0]);
        }
      }
      for (std::uint8_t b : raw) bcc ^= b;
      LineBytes check = ReadBytes(fd, 1);
      if (check.empty()) return fail();
      raw.push_back(check[0]);
      if (check[0] != bcc) {
        WriteBytes(fd, {NAK});
        continue;
      }
      WriteBytes(fd, {DLE});
      telegrams.push_back(telegram);
      rawBlocks.push_back(raw);
      return telegram;
    }
    return fail();
  }

  // Sends a telegram; with damaged, the first try carries a wrong BCC.
  void send(const LineBytes& telegram, bool damaged = false) {
    LineBytes block;
    for (std::uint8_t b : telegram) {
      block.push_back(b);
      if (b == DLE) block.push_back(DLE);
    }
    block.push_back(DLE);
    block.push_back(ETX);
    std::uint8_t bcc = 0;
    for (std::uint8_t b : block) bcc ^= b;
    for (int attempt = 0; attempt < 6; ++attempt) {
      WriteBytes(fd, {STX});
      LineBytes ready = ReadBytes(fd, 1);
      if (ready.size() != 1 || ready[0] != DLE) break;
      LineBytes wire = block;
      wire.push_back(damaged && attempt == 0 ? static_cast<std::uint8_t>(bcc ^ 0xFF) : bcc);
      WriteBytes(fd, wire);
      LineBytes ack = ReadBytes(fd, 1);
      if (ack.size() == 1 && ack[0] == DLE) return;
      if (ack.size() != 1 || ack[0] != NAK) break;
    }
    failed = true;
  }

  LineBytes fail() {
    failed = true;
    return {};
  }
};

}  // namespace nodave::testing
