#include "plc/nodave/IsoTcp.h"

#include "plc/nodave/Texts.h"
#include "plc/nodave/Types.h"
#include "plc/nodave/WireLimits.h"

namespace nodave {
namespace iso {
namespace {

constexpr std::uint16_t kSourceReference = 0x0001;  // some PLCs need it non-zero
constexpr std::uint8_t kTpduSize1024 = 0x0A;
constexpr std::size_t kDtHeader = 3;  // LI, code, EOT/number

}  // namespace

std::uint16_t RemoteTsap(int rack, int slot) {
  return static_cast<std::uint16_t>(kConnectionTypePG << 8 | (rack * (kMaxSlot + 1) + slot));
}

Bytes BuildConnectionRequest(std::uint16_t remoteTsap) {
  ByteWriter w;
  w.u8(kTpktVersion).u8(0).be16(0);  // length patched below
  std::size_t cotp = w.size();
  w.u8(0).u8(kCodeCR).be16(0).be16(kSourceReference).u8(0x00);  // class 0, no options
  // Parameter order TPDU size, calling TSAP, called TSAP, as S7 equipment knows it.
  w.u8(0xC0).u8(1).u8(kTpduSize1024);
  w.u8(0xC1).u8(2).be16(kLocalTsap);
  w.u8(0xC2).u8(2).be16(remoteTsap);
  w.patchU8(cotp, static_cast<std::uint8_t>(w.size() - cotp - 1));
  w.patchBe16(2, static_cast<std::uint16_t>(w.size()));
  return w.take();
}

Bytes BuildDataTpdu(ByteSpan pdu) {
  ByteWriter w;
  w.u8(kTpktVersion).u8(0).be16(static_cast<std::uint16_t>(kTpktHeader + kDtHeader + pdu.size()));
  w.u8(2).u8(kCodeDT).u8(kEot);
  w.bytes(pdu);
  return w.take();
}

namespace {

// The rest of a TPKT after its header.
int ReceiveTpktBody(Transport& link, const Deadline& deadline, ByteSpan header, Bytes& tpdu,
                    std::size_t* received) {
  ByteReader h(header);
  std::uint8_t version = h.u8();
  h.skip(1);
  std::uint16_t length = h.be16();
  // The smallest TPDU we can get is a DT header of 3 bytes.
  if (version != kTpktVersion || length < kTpktHeader + kDtHeader) return daveResBadFrame;
  tpdu.resize(length - kTpktHeader);
  return ReceiveExact(link, tpdu, deadline, received);
}

// The first answer on the port: its first byte tells an ISO-on-TCP service
// (TPKT version 3) from any other, even one that sends a few bytes of text
// and hangs up.
int ReceiveFirstTpkt(Transport& link, const Deadline& deadline, Bytes& tpdu) {
  std::uint8_t header[kTpktHeader];
  if (int r = ReceiveExact(link, std::span(header, 1), deadline); r != 0) return r;
  if (header[0] != kTpktVersion) return daveResNotS7Service;
  if (int r = ReceiveExact(link, std::span(header + 1, kTpktHeader - 1), deadline); r != 0)
    return r;
  return ReceiveTpktBody(link, deadline, header, tpdu, nullptr);
}

}  // namespace

int ReceiveTpkt(Transport& link, const Deadline& deadline, Bytes& tpdu, std::size_t* received) {
  std::uint8_t header[kTpktHeader];
  if (int r = ReceiveExact(link, header, deadline, received); r != 0) return r;
  return ReceiveTpktBody(link, deadline, header, tpdu, received);
}

int CheckConnectionConfirm(ByteSpan tpdu) {
  ByteReader r(tpdu);
  std::uint8_t li = r.u8();
  std::uint8_t code = r.u8();
  if (!r.ok()) return daveResShortPacket;
  if (li + 1u > tpdu.size()) return daveResShortPacket;
  switch (code & 0xF0) {
    case kCodeCC:
      // LI, code, DST-REF, SRC-REF, class: the parameters need no check.
      return li >= 6 ? 0 : daveResBadFrame;
    case kCodeDR: {
      r.skip(4);  // references
      std::uint8_t reason = r.u8();
      if (!r.ok() || li < 6) return daveResConnectionRefused;
      int refused = daveResCotpRefusedBase - reason;
      return HasText(refused) ? refused : daveResConnectionRefused;
    }
    case kCodeER:
      return daveResConnectionRefused;
    default:
      // ISO on TCP, but no answer a PLC gives to a connection request.
      return daveResNotS7Service;
  }
}

}  // namespace iso

int IsoTcpLink::open() {
  Bytes cr = iso::BuildConnectionRequest(remoteTsap_);
  if (int r = link_.send(cr, budget_.sendLimit()); r != 0) return r;
  Deadline deadline = budget_.answerDeadline();
  Bytes tpdu;
  int r = iso::ReceiveFirstTpkt(link_, deadline, tpdu);
  // A PLC that does not like the TSAP closes or resets the connection.
  if (r == daveResConnectionClosed || r == daveResConnectionReset) return daveResConnectionRefused;
  if (r != 0) return r;
  return iso::CheckConnectionConfirm(tpdu);
}

int IsoTcpLink::exchange(ByteSpan request, Bytes& answer) {
  Bytes frame = iso::BuildDataTpdu(request);
  if (int r = link_.send(frame, budget_.sendLimit()); r != 0) return r;
  // One wait for the whole answer, however many fragments it comes in.
  Deadline deadline = budget_.answerDeadline();
  answer.clear();
  Bytes tpdu;
  std::size_t received = 0;  // bytes of this answer so far, empty fragments included
  for (;;) {
    if (int r = iso::ReceiveTpkt(link_, deadline, tpdu, &received); r != 0)
      return r == daveResTimeout && received > 0 ? daveResAnswerIncomplete : r;
    ByteReader t(tpdu);
    std::uint8_t li = t.u8();
    std::uint8_t code = t.u8();
    std::uint8_t eot = t.u8();
    if (!t.ok()) return daveResShortPacket;
    if ((code & 0xF0) == iso::kCodeDR) return daveResConnectionClosed;
    if ((code & 0xF0) != iso::kCodeDT || li != 2) return daveResBadFrame;
    ByteSpan payload = t.rest();
    if (answer.size() + payload.size() > iso::kMaxAnswer) return daveResAnswerTooLong;
    answer.insert(answer.end(), payload.begin(), payload.end());
    // Empty DTs (some devices send them) and fragments without EOT: read on.
    if ((eot & iso::kEot) && !answer.empty()) return 0;
  }
}

}  // namespace nodave
