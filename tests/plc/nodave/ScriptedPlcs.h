#pragma once
// Scripts of loopback PLCs for ScriptedServer: a well-behaved start, a PLC
// that refuses the order code, one that accepts a single rack and slot.
#include <functional>

#include "tests/plc/nodave/RealIo.h"
#include "tests/plc/nodave/S7Frames.h"

namespace nodave::testing {

// Waits until the client closes its side (or 2 s pass).
inline void AwaitClose(int fd) {
  ReadBytes(fd, 1 << 20, 2000);
}

inline void ResetConnection(int fd) {
  linger hard{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
}

// A well-behaved PLC up to the point the script wants to break it.
inline void AcceptAndSetUp(int fd) {
  ReadTpkt(fd);
  WriteBytes(fd, ConnectConfirm());
  Bytes setup = ReadTpkt(fd);
  WriteBytes(fd, Iso(SetupAnswerPdu(RefOf(setup))));
}

// A PLC that answers both module identification requests with answer.
inline ScriptedServer::Script RefusesOrderCode(std::function<Bytes(std::uint16_t ref)> answer) {
  return [answer](int fd) {
    AcceptAndSetUp(fd);
    for (int list = 0; list < 2; ++list) WriteBytes(fd, Iso(answer(RefOf(ReadTpkt(fd)))));
    AwaitClose(fd);
  };
}

// A PLC that only accepts called TSAP 01 02 (rack 0, slot 2), as real CPUs
// do, and then answers the set-up and one order-code read.
inline void AcceptsOnlyRack0Slot2(int fd) {
  Bytes cr = ReadTpkt(fd);
  if (cr.size() != 22 || cr[20] != 0x01 || cr[21] != 0x02) return;  // close at once
  WriteBytes(fd, ConnectConfirm());
  Bytes setup = ReadTpkt(fd);
  if (setup.empty()) return;  // a client that stops at the confirm
  WriteBytes(fd, Iso(SetupAnswerPdu(RefOf(setup))));
  Bytes szl = ReadTpkt(fd);
  if (szl.empty()) return;  // the rack/slot search and the single steps stop here
  WriteBytes(fd, Iso(SzlAnswerPdu(RefOf(szl), Szl0011Payload())));
  AwaitClose(fd);
}

}  // namespace nodave::testing
