#pragma once
// Turning the peer text of openSocket into addresses within a deadline.
#include <netdb.h>

#include <functional>
#include <memory>

#include "plc/nodave/Clock.h"

namespace nodave {

struct AddrInfoFree {
  void operator()(addrinfo* list) const {
    if (list) freeaddrinfo(list);
  }
};
using AddrList = std::unique_ptr<addrinfo, AddrInfoFree>;

// getaddrinfo, or whatever stands in for it; its result is freed with
// freeaddrinfo.
using LookupFunction = std::function<int(const char* node, const char* service,
                                         const addrinfo* hints, addrinfo** result)>;

// The TCP addresses of peer (numeric address or host name) and port, looked
// up before the deadline. A numeric address is taken at once; a name is
// looked up by a thread of its own, because the system's look-up cannot be
// bounded: when the deadline comes first, that thread is left to finish
// alone and its answer is thrown away. Returns the list, or null with errno
// ENOENT (no such name, or no answer in time) or EAGAIN (no thread could be
// started).
AddrList LookUpTcpPeer(const char* peer, int port, const Deadline& deadline,
                       const LookupFunction& lookup = ::getaddrinfo);

}  // namespace nodave
