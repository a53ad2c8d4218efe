#pragma once
// The objects behind the C handles: an interface (one port or socket, one
// protocol) and connections to PLCs through it. Protocol-neutral S7 work -
// set-up of the communication, reading the module identification - lives
// here once; the PduLink of the protocol carries the PDUs.
//
// Every public method that talks to the peer starts by fixing the end of
// the call (Interface::startCall); all waits inside it are cut at that end.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "plc/nodave/Clock.h"
#include "plc/nodave/Failure.h"
#include "plc/nodave/Mpi.h"
#include "plc/nodave/PduLink.h"
#include "plc/nodave/ReadVar.h"
#include "plc/nodave/Transport.h"

namespace nodave {

class Interface {
 public:
  // Fails (nullptr) for an unknown protocol code.
  static std::unique_ptr<Interface> Create(std::unique_ptr<Transport> transport, const Clock& clock,
                                           std::string name, int localAddress, int protocol,
                                           int speed, const PortOrigin& origin = {});

  int protocol() const { return protocol_; }
  const std::string& name() const { return name_; }
  void setTimeout(Micros timeout);
  Micros timeout() const { return budget_.answerTimeout(); }
  // Fixes the end of the call that starts now (daveCallTimeoutFactor
  // answer time-outs from now).
  void startCall() { budget_.startCall(); }
  // The interface's clock, for timing a wait.
  Micros now() const { return clock_.now(); }
  // What the port was opened on, and the last failure of the interface.
  const PortOrigin& origin() const { return origin_; }
  const daveFailure& failure() const { return failure_; }

  int initAdapter();
  int disconnectAdapter();
  int listReachablePartners(std::uint8_t* list, std::size_t capacity);

  // A link to the PLC at address / rack / slot, or a result code in error.
  std::unique_ptr<PduLink> makeLink(int address, int rack, int slot, int& error);

 private:
  Interface(std::unique_ptr<Transport> transport, const Clock& clock, std::string name,
            int localAddress, int protocol, int speed);
  bool isMpi() const;
  // Records a failure (result != 0) of step; returns result.
  int record(int step, int result);
  int joinAdapter();

  std::unique_ptr<Transport> transport_;
  const Clock& clock_;
  std::string name_;
  int localAddress_;
  int protocol_;
  int speed_;
  CallBudget budget_;
  MpiAdapter adapter_;
  PortOrigin origin_;
  daveFailure failure_ = NoFailure();
};

class Connection {
 public:
  Connection(Interface& iface, int address, int rack, int slot)
      : iface_(&iface), address_(address), rack_(rack), slot_(slot) {}

  // The interface was freed before this connection.
  void detach() {
    link_.reset();
    iface_ = nullptr;
  }
  Interface* interface() const { return iface_; }
  bool connected() const { return link_ != nullptr && pduLength_ != 0; }
  std::uint16_t pduLength() const { return pduLength_; }

  // The first failure of the current attempt (see daveGetConnectionFailure).
  const daveFailure& failure() const { return failure_; }

  // openLink and setUp in one.
  int connectPLC();
  // The transport connection to the PLC (ISO connection request, PPI/MPI link).
  int openLink();
  // The S7 set-up on an open link; the link is closed when it fails.
  int setUp();
  int disconnectPLC();
  // 0 and the list's bytes from the SZL-ID on (all parts of a long answer),
  // or a result code; one call with one deadline.
  int readSzlList(std::uint16_t id, std::uint16_t index, Bytes& payload);
  // 0 and the order code, or a result code.
  int readOrderCode(std::array<char, 20>& code);

  struct VarResult {
    int code = 0;  // 0, or the item's return code
    Bytes data;
  };
  // Reads items in one request, one call with one deadline: 0 with one
  // result per item, or a result code (the whole job failed). Items that do
  // not fit one request over the negotiated PDU are refused before sending.
  int readVars(std::span<const s7::ReadItem> items, std::vector<VarResult>& results);
  // One item: 0 and its bytes, or its return code (kept as the failure) or
  // a result code.
  int readItem(const s7::ReadItem& item, Bytes& data);

 private:
  int exchange(ByteSpan request, Bytes& answer);
  int findOrderCode(std::array<char, 20>& code);
  int readSzl(std::uint16_t id, std::uint16_t index, Bytes& payload);
  std::uint16_t nextReference();
  void drop(int result);
  int record(int step, int result);
  int linkStep() const;

  Interface* iface_;
  int address_;
  int rack_;
  int slot_;
  std::unique_ptr<PduLink> link_;
  std::uint16_t pduLength_ = 0;
  std::uint16_t reference_ = 0;
  // How long the last exchange waited for its answer.
  Micros waited_{0};
  daveFailure failure_ = NoFailure();
};

}  // namespace nodave
