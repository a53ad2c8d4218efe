#include "plc/nodave/posix/HostLookup.h"

#include <errno.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace nodave {
namespace {

addrinfo TcpHints(int flags) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = flags | AI_NUMERICSERV;
  return hints;
}

// What the caller and the look-up thread share; whichever of them ends last
// frees it, so a caller that gave up leaves nothing behind.
struct PendingLookup {
  std::mutex lock;
  std::condition_variable finished;
  bool done = false;
  AddrList result;
};

AddrList LookUpName(const std::string& name, const std::string& service, const Deadline& deadline,
                    const LookupFunction& lookup) {
  auto pending = std::make_shared<PendingLookup>();
  try {
    std::thread([pending, name, service, lookup] {
      addrinfo hints = TcpHints(0);
      addrinfo* list = nullptr;
      if (lookup(name.c_str(), service.c_str(), &hints, &list) != 0) list = nullptr;
      std::lock_guard<std::mutex> hold(pending->lock);
      pending->result.reset(list);
      pending->done = true;
      pending->finished.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    errno = EAGAIN;
    return nullptr;
  }
  std::unique_lock<std::mutex> hold(pending->lock);
  pending->finished.wait_for(hold, deadline.remaining(), [&] { return pending->done; });
  if (!pending->done || !pending->result) {
    errno = ENOENT;
    return nullptr;
  }
  return std::move(pending->result);
}

}  // namespace

AddrList LookUpTcpPeer(const char* peer, int port, const Deadline& deadline,
                       const LookupFunction& lookup) {
  std::string service = std::to_string(port);
  addrinfo hints = TcpHints(AI_NUMERICHOST);
  addrinfo* list = nullptr;
  // A numeric address never waits for a name server.
  if (getaddrinfo(peer, service.c_str(), &hints, &list) == 0 && list) return AddrList(list);
  return LookUpName(peer, service, deadline, lookup);
}

}  // namespace nodave
