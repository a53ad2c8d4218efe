#include "plc/nodave/Session.h"

#include "plc/nodave/IsoTcp.h"
#include "plc/nodave/Ppi.h"
#include "plc/nodave/ReadVar.h"
#include "plc/nodave/S7Pdu.h"
#include "plc/nodave/Types.h"
#include "plc/nodave/WireLimits.h"

namespace nodave {
namespace {

constexpr Micros kTcpTimeout{1500000};
constexpr Micros kPpiTimeout{500000};
constexpr Micros kMpiTimeout{2000000};  // 3964R acknowledgement delay
constexpr int kMaxSzlParts = 64;
constexpr std::size_t kMaxSzlBytes = 65536;

Micros DefaultTimeout(int protocol) {
  switch (protocol) {
    case daveProtoISOTCP:
      return kTcpTimeout;
    case daveProtoPPI:
      return kPpiTimeout;
    default:
      return kMpiTimeout;
  }
}

bool KnownProtocol(int protocol) {
  switch (protocol) {
    case daveProtoMPI:
    case daveProtoMPI2:
    case daveProtoMPI3:
    case daveProtoPPI:
    case daveProtoISOTCP:
    case daveProtoS7online:
      return true;
    default:
      return false;
  }
}

bool ValidBusAddress(int address) {
  return address >= 0 && address <= kMaxBusAddress;
}

bool ValidRackSlot(int rack, int slot) {
  return rack >= 0 && rack <= kMaxRack && slot >= 0 && slot <= kMaxSlot;
}

// Failures after which the link may be out of step with the PLC: a late
// answer could be taken for the next one, so the connection is dropped.
bool BreaksLink(int result) {
  return result == daveResTimeout || result == daveResConnectionClosed ||
         result == daveResConnectionReset || result == daveResSendFailed ||
         result == daveResBadFrame || result == daveResBadChecksum ||
         result == daveResShortPacket || result == daveResWrongReference ||
         result == daveResAnswerTooLong || result == daveResPortNotOpen ||
         result == daveResAnswerIncomplete || result == daveResAnswerOverPdu;
}

// The step of reading a list: what the program reads it for.
int ListStep(std::uint16_t id) {
  switch (id) {
    case s7::kSzlCurrentModeTransition:
      return daveStepOperatingState;
    case s7::kSzlModuleIdentification:
    case s7::kSzlOneModuleIdentification:
    case s7::kSzlComponentIdentification:
      return daveStepIdentity;
    default:
      return daveStepSzlRead;
  }
}

}  // namespace

std::unique_ptr<Interface> Interface::Create(std::unique_ptr<Transport> transport,
                                             const Clock& clock, std::string name, int localAddress,
                                             int protocol, int speed, const PortOrigin& origin) {
  if (!KnownProtocol(protocol) || !transport) return nullptr;
  std::unique_ptr<Interface> created(
      new Interface(std::move(transport), clock, std::move(name), localAddress, protocol, speed));
  created->origin_ = origin;
  return created;
}

Interface::Interface(std::unique_ptr<Transport> transport, const Clock& clock, std::string name,
                     int localAddress, int protocol, int speed)
    : transport_(std::move(transport)),
      clock_(clock),
      name_(std::move(name)),
      localAddress_(localAddress),
      protocol_(protocol),
      speed_(speed),
      budget_(clock, DefaultTimeout(protocol), daveCallTimeoutFactor),
      adapter_(*transport_, budget_) {}

bool Interface::isMpi() const {
  return protocol_ == daveProtoMPI || protocol_ == daveProtoMPI2 || protocol_ == daveProtoMPI3;
}

int Interface::record(int step, int result) {
  if (result < 0) failure_ = MakeFailure(step, result, origin_);
  return result;
}

void Interface::setTimeout(Micros timeout) {
  budget_.setAnswerTimeout(timeout);
}

int Interface::initAdapter() {
  startCall();
  failure_ = NoFailure();
  // Over TCP the port is the socket: a closed one means the connect failed.
  const int step = protocol_ == daveProtoISOTCP ? daveStepTcpConnect : daveStepAdapter;
  return record(step, joinAdapter());
}

int Interface::joinAdapter() {
  if (protocol_ == daveProtoS7online) return daveResS7onlineUnavailable;
  if (!transport_->isOpen()) return daveResPortNotOpen;
  if (protocol_ == daveProtoISOTCP) return 0;
  if (!ValidBusAddress(localAddress_)) return daveResInvalidAddress;
  if (protocol_ == daveProtoPPI) return 0;
  // How the variant without STX frames its blocks is not publicly known.
  if (protocol_ == daveProtoMPI2) return daveResMpiVariantUndocumented;
  return adapter_.joinBus(static_cast<std::uint8_t>(localAddress_), speed_);
}

int Interface::disconnectAdapter() {
  startCall();
  if (!isMpi()) return 0;
  return adapter_.leaveBus();
}

int Interface::listReachablePartners(std::uint8_t* list, std::size_t capacity) {
  startCall();
  if (protocol_ == daveProtoS7online)
    return record(daveStepBusPartners, daveResS7onlineUnavailable);
  if (!isMpi()) return record(daveStepBusPartners, daveResNotForProtocol);
  return record(daveStepBusPartners, adapter_.scanBus(list, capacity));
}

std::unique_ptr<PduLink> Interface::makeLink(int address, int rack, int slot, int& error) {
  error = 0;
  switch (protocol_) {
    case daveProtoS7online:
      error = daveResS7onlineUnavailable;
      return nullptr;
    case daveProtoISOTCP:
      if (!ValidRackSlot(rack, slot)) break;
      return std::make_unique<IsoTcpLink>(*transport_, budget_, iso::RemoteTsap(rack, slot));
    case daveProtoPPI:
      if (!ValidBusAddress(address)) {
        error = daveResInvalidAddress;
        return nullptr;
      }
      return std::make_unique<PpiLink>(*transport_, budget_,
                                       static_cast<std::uint8_t>(localAddress_),
                                       static_cast<std::uint8_t>(address));
    default:  // MPI
      if (!ValidBusAddress(address)) {
        error = daveResInvalidAddress;
        return nullptr;
      }
      if (!ValidRackSlot(rack, slot)) break;
      return std::make_unique<MpiLink>(adapter_, static_cast<std::uint8_t>(address), rack, slot);
  }
  error = daveResInvalidRackSlot;
  return nullptr;
}

std::uint16_t Connection::nextReference() {
  reference_ = static_cast<std::uint16_t>(reference_ + 1);
  if (reference_ == 0) reference_ = 1;
  return reference_;
}

void Connection::drop(int result) {
  if (BreaksLink(result) && link_) {
    link_->close();
    link_.reset();
  }
}

int Connection::exchange(ByteSpan request, Bytes& answer) {
  if (!iface_) return daveResInterfaceFreed;
  if (!link_) return daveResNotConnected;
  const Micros start = iface_->now();
  int r = link_->exchange(request, answer);
  waited_ = iface_->now() - start;
  // Once the size is agreed, a larger answer is none the PLC may send.
  if (r == 0 && pduLength_ != 0 && answer.size() > pduLength_) r = daveResAnswerOverPdu;
  drop(r);
  return r;
}

int Connection::linkStep() const {
  return iface_ && iface_->protocol() == daveProtoISOTCP ? daveStepIsoConnect : daveStepPlcConnect;
}

int Connection::record(int step, int result) {
  if (result == 0) return 0;
  if (IsFollowUp(result)) {
    // The failure that made this one follow keeps its place.
    if (failure_.step != daveStepNone) return result;
    if (iface_ && iface_->failure().step != daveStepNone) {
      failure_ = iface_->failure();
      return result;
    }
  }
  failure_ = MakeFailure(step, result, iface_ ? iface_->origin() : PortOrigin{});
  if (iface_ && iface_->protocol() != daveProtoPPI) {
    failure_.rack = rack_;
    failure_.slot = slot_;
  }
  if (result == daveResAnswerIncomplete)
    failure_.waitedMs =
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(waited_).count());
  return result;
}

int Connection::connectPLC() {
  if (!iface_) return daveResInterfaceFreed;
  if (connected()) return 0;  // already connected: the link stays as it is
  if (!link_) {
    if (int r = openLink(); r != 0) return r;
  }
  if (int r = setUp(); r != 0) return r;
  failure_ = NoFailure();
  return 0;
}

int Connection::openLink() {
  if (!iface_) return daveResInterfaceFreed;
  if (link_) return 0;
  iface_->startCall();
  failure_ = NoFailure();
  pduLength_ = 0;
  int error = 0;
  std::unique_ptr<PduLink> link = iface_->makeLink(address_, rack_, slot_, error);
  if (!link) return record(linkStep(), error);
  if (int r = link->open(); r != 0) {
    link->close();
    return record(linkStep(), r);
  }
  link_ = std::move(link);
  return 0;
}

int Connection::setUp() {
  if (!iface_) return daveResInterfaceFreed;
  if (!link_) return record(daveStepS7Setup, daveResNotConnected);
  if (pduLength_ != 0) return 0;
  iface_->startCall();
  std::uint16_t reference = nextReference();
  Bytes answer;
  int r = exchange(s7::BuildSetupCommunication(reference, link_->proposedPduLength()), answer);
  std::uint16_t pdu = 0;
  if (r == 0) r = s7::ParseSetupAnswer(answer, reference, pdu);
  if (r > 0 && iface_->protocol() == daveProtoPPI) {
    // Not every S7-200 knows the set-up; it still takes PDUs of 240 bytes.
    pdu = s7::kSmallestPdu;
    r = 0;
  }
  // A size no S7 PLC negotiates, or more than we can carry: nothing sent
  // later could be trusted to fit.
  if (r == 0 && (pdu < s7::kSmallestPdu || pdu > link_->proposedPduLength())) r = daveResBadPduSize;
  if (r != 0) {
    if (link_) link_->close();
    link_.reset();
    return record(daveStepS7Setup, r);
  }
  pduLength_ = pdu;
  return 0;
}

int Connection::disconnectPLC() {
  if (!iface_) return daveResInterfaceFreed;
  if (!link_) return 0;
  iface_->startCall();
  link_->close();
  link_.reset();
  return 0;
}

int Connection::readSzl(std::uint16_t id, std::uint16_t index, Bytes& payload) {
  payload.clear();
  std::uint16_t reference = nextReference();
  Bytes request = s7::BuildSzlRequest(reference, id, index);
  for (int part = 0; part < kMaxSzlParts; ++part) {
    Bytes answer;
    if (int r = exchange(request, answer); r != 0) return r;
    s7::SzlPart p;
    if (int r = s7::ParseSzlAnswer(answer, reference, p); r != 0) {
      drop(r);
      return r;
    }
    if (payload.size() + p.payload.size() > kMaxSzlBytes) return daveResAnswerTooLong;
    payload.insert(payload.end(), p.payload.begin(), p.payload.end());
    if (!p.more) return s7::CheckSzlList(payload, id, index);
    reference = nextReference();
    request = s7::BuildSzlFollowUp(reference, p.sequence);
  }
  return daveResAnswerTooLong;
}

int Connection::readSzlList(std::uint16_t id, std::uint16_t index, Bytes& payload) {
  if (!iface_) return daveResInterfaceFreed;
  if (!connected()) return record(ListStep(id), daveResNotConnected);
  iface_->startCall();
  return record(ListStep(id), readSzl(id, index, payload));
}

int Connection::readOrderCode(std::array<char, 20>& code) {
  if (!iface_) return daveResInterfaceFreed;
  if (!connected()) return record(daveStepOrderCode, daveResNotConnected);
  return record(daveStepOrderCode, findOrderCode(code));
}

int Connection::findOrderCode(std::array<char, 20>& code) {
  // One deadline for the whole read, the second list included.
  iface_->startCall();
  Bytes payload;
  int r = readSzl(s7::kSzlModuleIdentification, 0x0000, payload);
  // A CPU that refuses the whole list may still give the module's record.
  if (r > 0) r = readSzl(s7::kSzlOneModuleIdentification, 0x0001, payload);
  if (r != 0) return r;
  s7::SzlList list;
  if (int e = s7::ParseSzlList(payload, list); e != 0) return e;
  return s7::FindOrderCode(list, code);
}

}  // namespace nodave

namespace nodave {

int Connection::readVars(std::span<const s7::ReadItem> items, std::vector<VarResult>& results) {
  results.clear();
  if (!iface_) return daveResInterfaceFreed;
  if (!connected()) return record(daveStepReadVars, daveResNotConnected);
  if (!s7::FitsOneRequest(items, pduLength_))
    return record(daveStepReadVars, daveResRequestTooLarge);
  iface_->startCall();
  const std::uint16_t reference = nextReference();
  Bytes answer;
  int r = exchange(s7::BuildReadVarRequest(reference, items), answer);
  std::vector<s7::ReadResult> parsed;
  if (r == 0) r = s7::ParseReadVarAnswer(answer, reference, items, parsed);
  if (r != 0) {
    drop(r);
    return record(daveStepReadVars, r);
  }
  results.reserve(parsed.size());
  for (const s7::ReadResult& item : parsed)
    results.push_back({item.code, Bytes(item.data.begin(), item.data.end())});
  return 0;
}

int Connection::readItem(const s7::ReadItem& item, Bytes& data) {
  std::vector<VarResult> results;
  if (int r = readVars({&item, 1}, results); r != 0) return r;
  if (results.front().code != 0) return record(daveStepReadVars, results.front().code);
  data = std::move(results.front().data);
  return 0;
}

}  // namespace nodave
