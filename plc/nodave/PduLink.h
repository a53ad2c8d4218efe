#pragma once
// What the S7 layer needs from a transport protocol: open a connection to one
// PLC, carry one request PDU and bring back its answer, close. ISO over TCP,
// PPI and MPI each implement it; set-up and SZL reads are written once above.
#include <cstdint>

#include "plc/nodave/ByteIO.h"

namespace nodave {

class PduLink {
 public:
  virtual ~PduLink() = default;
  // 0 or a result code.
  virtual int open() = 0;
  // Sends request and leaves the answer PDU in answer. 0 or a result code.
  virtual int exchange(ByteSpan request, Bytes& answer) = 0;
  // Ends the connection to the PLC; best effort, never blocks past its time-out.
  virtual void close() = 0;
  // The PDU length to propose in the set-up: what the link's frames can carry.
  virtual std::uint16_t proposedPduLength() const = 0;
};

}  // namespace nodave
