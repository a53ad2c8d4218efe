// The C-style facade: handles in, result codes out. Every entry point checks
// its handles against the registry of live objects (so NULL, foreign and
// freed pointers are refused, not followed) and turns any exception into a
// result code.
//
// Locking: the registry has a lock of its own, held only to look a handle up,
// add or remove one - never across a wait for the peer. Each interface has
// a lock that every call on it, or on a connection made on it, holds for the
// whole call: they share the interface's port, so they take turns; calls on
// other interfaces run side by side. A call keeps the objects it works on
// alive (shared ownership), so daveFree in another thread meanwhile cannot
// pull them away; freeing an interface takes its lock, so it waits for the
// call under way and then leaves its connections without it.
#include "plc/nodave/nodave.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "plc/nodave/Failure.h"
#include "plc/nodave/ReadVar.h"
#include "plc/nodave/S7Pdu.h"
#include "plc/nodave/Session.h"
#include "plc/nodave/Transport.h"
#include "plc/nodave/posix/PortOpen.h"

namespace {

using nodave::Connection;
using nodave::Interface;

// An interface with the lock its calls take turns on.
struct InterfaceEntry {
  std::mutex turn;
  std::unique_ptr<Interface> object;
  bool freed = false;  // under turn: daveFree has let go of it
};

// A connection, with the interface it was made on (which it keeps alive).
struct ConnectionEntry {
  std::shared_ptr<InterfaceEntry> owner;
  std::unique_ptr<Connection> object;
};

struct Registry {
  std::mutex lock;  // only while the maps are looked at or changed
  std::map<const void*, std::shared_ptr<InterfaceEntry>> interfaces;
  std::map<const void*, std::shared_ptr<ConnectionEntry>> connections;

  template <class Entry>
  static std::shared_ptr<Entry> Find(std::map<const void*, std::shared_ptr<Entry>>& in,
                                     const void* handle) {
    auto it = in.find(handle);
    return it == in.end() ? nullptr : it->second;
  }
  std::shared_ptr<InterfaceEntry> findInterface(const void* handle) {
    std::lock_guard<std::mutex> hold(lock);
    return Find(interfaces, handle);
  }
  std::shared_ptr<ConnectionEntry> findConnection(const void* handle) {
    std::lock_guard<std::mutex> hold(lock);
    return Find(connections, handle);
  }
};

Registry& Live() {
  static Registry registry;
  return registry;
}

// Runs body; no exception leaves the library.
template <class Result, class Body>
Result Guarded(Result onException, Body body) noexcept {
  try {
    return body(Live());
  } catch (...) {
    return onException;
  }
}

template <class Body>
int WithInterface(daveInterface* di, Body body) noexcept {
  return Guarded(static_cast<int>(daveResUnknownError), [&](Registry& live) {
    const std::shared_ptr<InterfaceEntry> entry = live.findInterface(di);
    if (!entry) return static_cast<int>(daveResInvalidHandle);
    std::lock_guard<std::mutex> turn(entry->turn);
    // Freed while this call waited for its turn.
    if (entry->freed) return static_cast<int>(daveResInvalidHandle);
    return body(*entry->object);
  });
}

template <class Body>
int WithConnection(daveConnection* dc, Body body) noexcept {
  return Guarded(static_cast<int>(daveResUnknownError), [&](Registry& live) {
    const std::shared_ptr<ConnectionEntry> entry = live.findConnection(dc);
    if (!entry) return static_cast<int>(daveResInvalidHandle);
    // A freed interface left the connection detached: it answers for itself.
    std::lock_guard<std::mutex> turn(entry->owner->turn);
    return body(*entry->object);
  });
}

// Lets go of an interface: calls on it end first, its connections can do
// nothing more afterwards.
void FreeInterface(const std::shared_ptr<InterfaceEntry>& entry,
                   const std::vector<std::shared_ptr<ConnectionEntry>>& connections) {
  std::lock_guard<std::mutex> turn(entry->turn);
  entry->freed = true;
  for (const auto& connection : connections) connection->object->detach();
}

// An item as the caller gave it, when the request can carry it.
bool ToReadItem(int area, int db, int start, int count, nodave::s7::ReadItem& item) {
  constexpr int kWord = 0xFFFF;
  if (!nodave::s7::IsKnownArea(area) || db < 0 || db > kWord || start < 0 ||
      start > static_cast<int>(nodave::s7::kMaxByteAddress) || count < 1 || count > kWord) {
    return false;
  }
  item = {static_cast<std::uint8_t>(area), static_cast<std::uint16_t>(db),
          static_cast<std::uint32_t>(start), static_cast<std::uint16_t>(count)};
  return true;
}

// Hands the results to the caller as one block it frees with
// daveFreeResults: the result records, then every item's bytes.
int StoreResults(const std::vector<Connection::VarResult>& results, daveResultSet& set) {
  std::size_t bytes = results.size() * sizeof(daveResult);
  for (const auto& result : results) bytes += result.data.size();
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (!block) return daveResUnknownError;
  auto* records = static_cast<daveResult*>(block);
  auto* data = reinterpret_cast<unsigned char*>(records + results.size());
  for (std::size_t i = 0; i < results.size(); ++i) {
    const auto& result = results[i];
    records[i].error = result.code;
    records[i].length = static_cast<int>(result.data.size());
    records[i].bytes = result.data.empty() ? nullptr : data;
    std::copy(result.data.begin(), result.data.end(), data);
    data += result.data.size();
  }
  set.numResults = static_cast<int>(results.size());
  set.results = records;
  return 0;
}

}  // namespace

extern "C" {

int setPort(const char* name, const char* baud, int parity) {
  try {
    return nodave::OpenSerial(name, baud, parity);
  } catch (...) {
    return -1;
  }
}

int openSocket(int port, const char* peer) {
  try {
    return nodave::OpenTcp(port, peer);
  } catch (...) {
    return -1;
  }
}

void daveSetConnectTimeout(int milliseconds) {
  nodave::SetConnectTimeoutMs(milliseconds);
}

int openS7online(const char*, std::uintptr_t) {
  daveFailure& failure = nodave::OpenFailure();
  failure = nodave::MakeFailure(daveStepAccessPoint, daveResS7onlineUnavailable, {});
  return -1;
}

int closeS7online(int) {
  return 0;
}

int closePort(int handle) {
  return nodave::ClosePort(handle);
}

daveInterface* daveNewInterface(_daveOSserialType port, const char* name, int localMPI,
                                int protocol, int speed) {
  return Guarded(static_cast<daveInterface*>(nullptr), [&](Registry& live) -> daveInterface* {
    auto entry = std::make_shared<InterfaceEntry>();
    entry->object =
        Interface::Create(nodave::MakeFdTransport(port.rfd, port.wfd), nodave::SystemClock(),
                          name ? name : "", localMPI, protocol, speed, nodave::OriginOf(port.rfd));
    if (!entry->object) return nullptr;
    Interface* raw = entry->object.get();
    std::lock_guard<std::mutex> hold(live.lock);
    live.interfaces.emplace(raw, std::move(entry));
    return reinterpret_cast<daveInterface*>(raw);
  });
}

int daveInitAdapter(daveInterface* di) {
  return WithInterface(di, [](Interface& iface) { return iface.initAdapter(); });
}

daveConnection* daveNewConnection(daveInterface* di, int mpiAddress, int rack, int slot) {
  return Guarded(static_cast<daveConnection*>(nullptr), [&](Registry& live) -> daveConnection* {
    // Under the registry's lock from look-up to entry, so that freeing the
    // interface finds every connection made on it.
    std::lock_guard<std::mutex> hold(live.lock);
    std::shared_ptr<InterfaceEntry> owner = Registry::Find(live.interfaces, di);
    if (!owner) return nullptr;
    auto entry = std::make_shared<ConnectionEntry>();
    entry->object = std::make_unique<Connection>(*owner->object, mpiAddress, rack, slot);
    entry->owner = std::move(owner);
    Connection* raw = entry->object.get();
    live.connections.emplace(raw, std::move(entry));
    return reinterpret_cast<daveConnection*>(raw);
  });
}

int daveConnectPLC(daveConnection* dc) {
  return WithConnection(dc, [](Connection& c) { return c.connectPLC(); });
}

int daveDisconnectPLC(daveConnection* dc) {
  return WithConnection(dc, [](Connection& c) { return c.disconnectPLC(); });
}

int daveDisconnectAdapter(daveInterface* di) {
  return WithInterface(di, [](Interface& iface) { return iface.disconnectAdapter(); });
}

int daveListReachablePartners(daveInterface* di, char* buf) {
  return WithInterface(di, [&](Interface& iface) {
    if (!buf) return static_cast<int>(daveResInvalidParam);
    constexpr std::size_t kPartnerList = 126;
    return iface.listReachablePartners(reinterpret_cast<std::uint8_t*>(buf), kPartnerList);
  });
}

int daveGetOrderCode(daveConnection* dc, char* buf) {
  return WithConnection(dc, [&](Connection& c) {
    if (!buf) return static_cast<int>(daveResInvalidParam);
    std::array<char, 20> code{};
    int r = c.readOrderCode(code);
    if (r != 0) return r;
    std::copy(code.begin(), code.end(), buf);
    buf[code.size()] = '\0';
    return 0;
  });
}

int daveReadSZL(daveConnection* dc, int id, int index, void* buffer, int length) {
  return WithConnection(dc, [&](Connection& c) {
    constexpr int kWord = 0xFFFF;
    if (!buffer || length < static_cast<int>(nodave::s7::kSzlListHeader) || id < 0 || id > kWord ||
        index < 0 || index > kWord) {
      return static_cast<int>(daveResInvalidParam);
    }
    nodave::Bytes payload;
    if (int r = c.readSzlList(static_cast<std::uint16_t>(id), static_cast<std::uint16_t>(index),
                              payload);
        r != 0) {
      return r;
    }
    nodave::s7::SzlList list;
    if (int r = nodave::s7::ParseSzlList(payload, list); r != 0) return r;
    const int written = nodave::s7::CopySzlList(
        list, {static_cast<std::uint8_t*>(buffer), static_cast<std::size_t>(length)});
    return written < 0 ? written : 0;
  });
}

int daveGetMaxPDULen(daveConnection* dc) {
  const int length = WithConnection(
      dc, [](Connection& c) { return c.connected() ? static_cast<int>(c.pduLength()) : 0; });
  return length < 0 ? 0 : length;
}

int daveReadBytes(daveConnection* dc, int area, int DB, int start, int len, void* buffer) {
  return WithConnection(dc, [&](Connection& c) {
    nodave::s7::ReadItem item;
    if (!buffer || !ToReadItem(area, DB, start, len, item))
      return static_cast<int>(daveResInvalidParam);
    nodave::Bytes data;
    if (int r = c.readItem(item, data); r != 0) return r;
    std::copy(data.begin(), data.end(), static_cast<std::uint8_t*>(buffer));
    return 0;
  });
}

void davePrepareReadRequest(daveConnection*, PDU* p) {
  if (!p) return;
  p->itemCount = 0;
  p->refusedItems = 0;
}

void daveAddVarToReadRequest(PDU* p, int area, int DBnum, int start, int bytes) {
  if (!p) return;
  nodave::s7::ReadItem item;
  if (p->itemCount < 0 || p->itemCount >= daveMaxReadItems ||
      !ToReadItem(area, DBnum, start, bytes, item)) {
    ++p->refusedItems;
    return;
  }
  p->items[p->itemCount++] = {area, DBnum, start, bytes};
}

int daveExecReadRequest(daveConnection* dc, PDU* p, daveResultSet* rl) {
  if (rl) *rl = daveResultSet{0, nullptr};
  return WithConnection(dc, [&](Connection& c) {
    if (!p || !rl || p->itemCount < 1 || p->itemCount > daveMaxReadItems)
      return static_cast<int>(daveResInvalidParam);
    if (p->refusedItems != 0) return static_cast<int>(daveResRequestTooLarge);
    std::vector<nodave::s7::ReadItem> items(static_cast<std::size_t>(p->itemCount));
    for (std::size_t i = 0; i < items.size(); ++i) {
      const daveReadItem& given = p->items[i];
      if (!ToReadItem(given.area, given.DBnum, given.start, given.count, items[i]))
        return static_cast<int>(daveResInvalidParam);
    }
    std::vector<Connection::VarResult> results;
    if (int r = c.readVars(items, results); r != 0) return r;
    return StoreResults(results, *rl);
  });
}

int daveUseResult(daveConnection*, daveResultSet* rl, int n) {
  if (!rl || !rl->results || n < 0 || n >= rl->numResults) return daveResInvalidParam;
  return rl->results[n].error;
}

void daveFreeResults(daveResultSet* rl) {
  if (!rl) return;
  std::free(rl->results);
  *rl = daveResultSet{0, nullptr};
}

int daveGetOpenFailure(daveFailure* failure) {
  if (!failure) return daveResInvalidParam;
  *failure = nodave::OpenFailure();
  return 0;
}

int daveGetInterfaceFailure(daveInterface* di, daveFailure* failure) {
  return WithInterface(di, [&](Interface& iface) {
    if (!failure) return static_cast<int>(daveResInvalidParam);
    *failure = iface.failure();
    return 0;
  });
}

int daveGetConnectionFailure(daveConnection* dc, daveFailure* failure) {
  return WithConnection(dc, [&](Connection& c) {
    if (!failure) return static_cast<int>(daveResInvalidParam);
    *failure = c.failure();
    return 0;
  });
}

int daveLookUpPeer(int port, const char* peer, char* address, int size) {
  try {
    std::string numeric;
    if (nodave::LookUpNumeric(port, peer, numeric) != 0) return -1;
    if (!address || size < 1 || numeric.size() >= static_cast<std::size_t>(size)) {
      return daveResInvalidParam;
    }
    std::memcpy(address, numeric.c_str(), numeric.size() + 1);
    return 0;
  } catch (...) {
    return daveResUnknownError;
  }
}

int daveOpenPLCLink(daveConnection* dc) {
  return WithConnection(dc, [](Connection& c) { return c.openLink(); });
}

int daveSetupCommunication(daveConnection* dc, int* pduLength) {
  return WithConnection(dc, [&](Connection& c) {
    int r = c.setUp();
    if (r == 0 && pduLength) *pduLength = c.pduLength();
    return r;
  });
}

void daveFree(void* handle) {
  Guarded(0, [&](Registry& live) {
    std::shared_ptr<ConnectionEntry> connection;
    std::shared_ptr<InterfaceEntry> iface;
    std::vector<std::shared_ptr<ConnectionEntry>> madeOnIt;
    {
      std::lock_guard<std::mutex> hold(live.lock);
      if (auto it = live.connections.find(handle); it != live.connections.end()) {
        // A call under way keeps it until it returns.
        connection = std::move(it->second);
        live.connections.erase(it);
      } else if (auto found = live.interfaces.find(handle); found != live.interfaces.end()) {
        iface = std::move(found->second);
        live.interfaces.erase(found);
        // Connections made on it stay valid handles but can do nothing more.
        for (const auto& [key, entry] : live.connections)
          if (entry->owner == iface) madeOnIt.push_back(entry);
      }
    }
    if (iface) FreeInterface(iface, madeOnIt);
    return 0;
  });
}

void daveSetTimeout(daveInterface* di, int microseconds) {
  WithInterface(di, [&](Interface& iface) {
    if (microseconds >= 1) iface.setTimeout(nodave::Micros(microseconds));
    return 0;
  });
}

}  // extern "C"
