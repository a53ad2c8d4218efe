// openSocket against loopback peers that refuse, never answer or sit behind
// a name server that hangs, and waits that signals keep interrupting.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "RealIo.h"
#include "nodave/nodave.h"
#include "nodave/posix/HostLookup.h"

namespace nodave::testing {
namespace {

using Clock = std::chrono::steady_clock;

// A loopback listener that never accepts: once one connection fills its
// backlog, further attempts are dropped, which to a client looks like an
// address that does not answer.
struct UnansweringPeer {
  UnansweringPeer() {
    listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        listen(listener, 0) == 0 &&
        getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
      port = ntohs(addr.sin_port);
  }
  UnansweringPeer(const UnansweringPeer&) = delete;
  UnansweringPeer& operator=(const UnansweringPeer&) = delete;
  ~UnansweringPeer() {
    closePort(backlog);
    close(listener);
  }
  void FillBacklog() { backlog = openSocket(port, "127.0.0.1"); }

  int listener = -1;
  int port = -1;
  int backlog = -1;
};

TEST(OpenSocket, GivesUpOnAPeerThatDoesNotAnswer) {
  int port;
  {
    UnansweringPeer peer;
    ASSERT_GE(peer.port, 0);
    port = peer.port;
    daveSetConnectTimeout(200);
    peer.FillBacklog();
    int before = OpenDescriptorCount();
    auto start = Clock::now();
    errno = 0;
    EXPECT_EQ(openSocket(port, "127.0.0.1"), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 2.0);
    EXPECT_EQ(OpenDescriptorCount(), before);
    daveSetConnectTimeout(3000);
  }  // the peer is gone: its port now refuses

  // The caller can tell a refusal from an address it got wrong.
  struct Case {
    int port;
    const char* peer;
    int why;
    int step;  // in the recorded detail
  } cases[] = {
      {port, "127.0.0.1", ECONNREFUSED, daveStepTcpConnect},  // nobody listens there any more
      {0, "127.0.0.1", EINVAL, daveStepTcpConnect},
      {65536, "127.0.0.1", EINVAL, daveStepTcpConnect},
      {port, "localhost", ECONNREFUSED, daveStepTcpConnect},  // a name is looked up
      {102, " 127.0.0.1", ENOENT, daveStepNameLookup},
      {102, "127.0.0.1.5", ENOENT, daveStepNameLookup},
      {102, "no-such-plc.invalid", ENOENT, daveStepNameLookup},
      {102, "", ENOENT, daveStepNameLookup},
      {102, nullptr, EINVAL, daveStepTcpConnect},
  };
  // Whatever the name server does, a failed look-up ends within the limit
  // (the bound allows as much again for a loaded machine).
  daveSetConnectTimeout(500);
  int open = OpenDescriptorCount();
  for (const Case& c : cases) {
    auto start = Clock::now();
    errno = 0;
    EXPECT_EQ(openSocket(c.port, c.peer), -1) << c.port << " " << (c.peer ? c.peer : "NULL");
    EXPECT_EQ(errno, c.why) << c.port << " " << (c.peer ? c.peer : "NULL");
    daveFailure failure{};
    daveGetOpenFailure(&failure);
    EXPECT_EQ(failure.step, c.step) << (c.peer ? c.peer : "NULL");
    EXPECT_LE(Clock::now() - start, std::chrono::milliseconds(2 * 500))
        << (c.peer ? c.peer : "NULL");
  }
  daveSetConnectTimeout(daveDefaultConnectTimeoutMs);
  EXPECT_EQ(OpenDescriptorCount(), open);
}

TEST(OpenSocket, AHostNameLookUpThatHangsEndsAtTheConnectLimit) {
  // A name server that does not answer until the test lets it.
  auto release = std::make_shared<std::promise<void>>();
  std::shared_future<void> released = release->get_future().share();
  auto returned = std::make_shared<std::promise<void>>();
  std::future<void> lookUpReturned = returned->get_future();
  LookupFunction hanging = [released, returned](const char*, const char*, const addrinfo*,
                                                addrinfo**) {
    released.wait();
    returned->set_value();
    return EAI_AGAIN;
  };
  const auto limit = std::chrono::milliseconds(300);
  auto start = Clock::now();
  errno = 0;
  AddrList found = LookUpTcpPeer("plc.example", 102, Deadline(SystemClock(), limit), hanging);
  auto took = Clock::now() - start;
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_GE(took, limit);
  EXPECT_LE(took, 2 * limit);
  // The abandoned look-up finishes on its own once the name server answers.
  release->set_value();
  EXPECT_EQ(lookUpReturned.wait_for(std::chrono::seconds(5)), std::future_status::ready);

  // A numeric address never reaches the name server.
  LookupFunction unused = [](const char*, const char*, const addrinfo*, addrinfo**) {
    ADD_FAILURE() << "numeric address looked up";
    return EAI_FAIL;
  };
  EXPECT_NE(LookUpTcpPeer("::1", 102, Deadline(SystemClock(), limit), unused), nullptr);
  EXPECT_NE(LookUpTcpPeer("127.0.0.1", 102, Deadline(SystemClock(), limit), unused), nullptr);
}

// Sends a signal to the calling thread every few milliseconds while it is
// alive, so every wait inside the library is interrupted again and again;
// gives up after five seconds and remembers that it had to.
class SignalStorm {
 public:
  SignalStorm() : target_(pthread_self()) {
    struct sigaction quiet {};
    quiet.sa_handler = [](int) {};
    sigaction(SIGUSR1, &quiet, &previous_);
    thread_ = std::thread([this] {
      auto end = Clock::now() + std::chrono::seconds(5);
      while (!stop_) {
        if (Clock::now() > end) {
          gaveUp_ = true;
          return;
        }
        pthread_kill(target_, SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    });
  }
  ~SignalStorm() {
    stop_ = true;
    thread_.join();
    sigaction(SIGUSR1, &previous_, nullptr);
  }
  // True when the call under test outlasted the storm: an interrupted wait
  // started its time-out afresh instead of counting the time already spent.
  bool gaveUp() const { return gaveUp_; }

 private:
  pthread_t target_;
  struct sigaction previous_ {};
  std::atomic<bool> stop_{false};
  std::atomic<bool> gaveUp_{false};
  std::thread thread_;
};

TEST(Waits, SignalsArrivingAllTheTimeDoNotStretchATimeOut) {
  // An answer that never comes: the time-out (200 ms) must still end the wait.
  // The server holds the connection for longer than the storm lasts.
  {
    ScriptedServer server([](int fd) { ReadBytes(fd, 1 << 20, 8000); });
    int fd = openSocket(server.port(), "127.0.0.1");
    ASSERT_GE(fd, 0);
    daveInterface* di = daveNewInterface({fd, fd}, "IF1", 0, daveProtoISOTCP, 1);
    daveSetTimeout(di, 200000);
    daveConnection* dc = daveNewConnection(di, 2, 0, 2);
    int r;
    bool gaveUp;
    {
      SignalStorm storm;
      r = daveConnectPLC(dc);
      gaveUp = storm.gaveUp();
    }
    EXPECT_EQ(r, daveResTimeout);
    EXPECT_FALSE(gaveUp) << "the answer wait restarted on every signal";
    daveFree(dc);
    daveFree(di);
    closePort(fd);
  }
  // A TCP connect that is never accepted: a full backlog drops the attempt.
  UnansweringPeer peer;
  ASSERT_GE(peer.port, 0);
  const int port = peer.port;
  daveSetConnectTimeout(200);
  peer.FillBacklog();
  int second;
  bool gaveUp;
  {
    SignalStorm storm;
    second = openSocket(port, "127.0.0.1");
    gaveUp = storm.gaveUp();
  }
  daveSetConnectTimeout(3000);
  EXPECT_EQ(second, -1);
  EXPECT_FALSE(gaveUp) << "the connect wait restarted on every signal";
  closePort(second);
}

}  // namespace
}  // namespace nodave::testing
