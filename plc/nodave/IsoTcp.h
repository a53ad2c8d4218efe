#pragma once
// ISO transport over TCP: TPKT (RFC 1006) around COTP class 0 (ISO 8073),
// carrying S7 PDUs in DT TPDUs.
#include <cstdint>

#include "plc/nodave/PduLink.h"
#include "plc/nodave/Transport.h"

namespace nodave {

namespace iso {
constexpr std::uint8_t kTpktVersion = 3;
constexpr std::size_t kTpktHeader = 4;
constexpr std::uint8_t kCodeCR = 0xE0;
constexpr std::uint8_t kCodeCC = 0xD0;
constexpr std::uint8_t kCodeDR = 0x80;
constexpr std::uint8_t kCodeDT = 0xF0;
constexpr std::uint8_t kCodeER = 0x70;
constexpr std::uint8_t kEot = 0x80;
// Local TSAP and the connection type of the remote TSAP (PG).
constexpr std::uint16_t kLocalTsap = 0x0100;
constexpr std::uint8_t kConnectionTypePG = 0x01;
// Largest S7 answer we take (several DT fragments together).
constexpr std::size_t kMaxAnswer = 65536;

// Remote TSAP for rack and slot: connection type, then rack * 32 + slot.
std::uint16_t RemoteTsap(int rack, int slot);
Bytes BuildConnectionRequest(std::uint16_t remoteTsap);
Bytes BuildDataTpdu(ByteSpan pdu);

// Reads one TPKT and returns its payload (the COTP TPDU). 0 or a code;
// received (may be null) is increased by the bytes that arrived.
int ReceiveTpkt(Transport& link, const Deadline& deadline, Bytes& tpdu,
                std::size_t* received = nullptr);
// Checks the answer to a connection request: 0 for a connection confirm,
// a refusal code (DR with its reason, ER), daveResNotS7Service for any
// other TPDU, or a format error.
int CheckConnectionConfirm(ByteSpan tpdu);
}  // namespace iso

class IsoTcpLink final : public PduLink {
 public:
  IsoTcpLink(Transport& link, const CallBudget& budget, std::uint16_t remoteTsap)
      : link_(link), budget_(budget), remoteTsap_(remoteTsap) {}

  int open() override;
  int exchange(ByteSpan request, Bytes& answer) override;
  void close() override { link_.shutdown(); }
  std::uint16_t proposedPduLength() const override { return 480; }

 private:
  Transport& link_;
  const CallBudget& budget_;
  std::uint16_t remoteTsap_;
};

}  // namespace nodave
