#pragma once
// PPI to an S7-200: PROFIBUS FDL frames on RS-485 (8E1). The master sends the
// S7 PDU in an SD2 frame, the PLC acknowledges with E5, the master polls with
// SD1 until the PLC returns its answer in an SD2 frame.
#include <cstdint>

#include "plc/nodave/PduLink.h"
#include "plc/nodave/Transport.h"

namespace nodave {

namespace ppi {
constexpr std::uint8_t kSD1 = 0x10;  // fixed length, no data: 10 DA SA FC FCS 16
constexpr std::uint8_t kSD2 = 0x68;  // variable: 68 LE LEr 68 DA SA FC data FCS 16
constexpr std::uint8_t kSD3 = 0xA2;  // fixed, 8 data bytes
constexpr std::uint8_t kSD4 = 0xDC;  // token: DC DA SA
constexpr std::uint8_t kSC = 0xE5;   // short acknowledge
constexpr std::uint8_t kED = 0x16;
constexpr std::uint8_t kFcRequest = 0x6C;  // SRD low, FCV 0: every request stands alone
constexpr std::uint8_t kFcPoll = 0x5C;     // SRD low, FCB 0 FCV 1
constexpr std::uint8_t kFcbToggle = 0x20;  // alternate poll 0x7C
constexpr std::size_t kMaxPdu = 246;       // LE is one byte: 249 - DA, SA, FC

struct Frame {
  enum Kind { kAck, kShort, kData, kFixed, kToken } kind = kAck;
  std::uint8_t da = 0, sa = 0, fc = 0;
  Bytes data;
};

// Sum of DA, SA, FC and the data, modulo 256.
std::uint8_t Checksum(ByteSpan body);
Bytes BuildShortFrame(std::uint8_t da, std::uint8_t sa, std::uint8_t fc);
Bytes BuildDataFrame(std::uint8_t da, std::uint8_t sa, std::uint8_t fc, ByteSpan data);

// Reads the next frame. Bytes that cannot start a frame are skipped; if only
// such bytes came, the result is daveResBadFrame instead of daveResTimeout.
int ReceiveFrame(Transport& link, const Deadline& deadline, Frame& frame);
}  // namespace ppi

class PpiLink final : public PduLink {
 public:
  PpiLink(Transport& link, const CallBudget& budget, std::uint8_t own, std::uint8_t plc)
      : link_(link), budget_(budget), own_(own), plc_(plc) {}

  int open() override;
  int exchange(ByteSpan request, Bytes& answer) override;
  void close() override {}
  std::uint16_t proposedPduLength() const override { return 240; }

  static constexpr int kRequestAttempts = 3;
  static constexpr int kMaxPolls = 20;

 private:
  int sendRequest(ByteSpan request);
  int pollAnswer(Bytes& answer);

  Transport& link_;
  const CallBudget& budget_;
  std::uint8_t own_;
  std::uint8_t plc_;
};

}  // namespace nodave
