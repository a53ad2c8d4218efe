#include "plc/nodave/ReadVar.h"

#include "plc/nodave/S7Pdu.h"
#include "plc/nodave/Types.h"

namespace nodave::s7 {
namespace {

constexpr std::size_t kJobHeader = 10;      // Job PDUs carry no error field
constexpr std::size_t kAckDataHeader = 12;  // Ack_Data: error class and code
constexpr std::size_t kReadParams = 2;      // function, item count
constexpr std::size_t kRequestItem = 12;
constexpr std::size_t kAnswerItemHead = 4;  // return code, transport size, length

constexpr std::uint8_t kVariableSpecification = 0x12;
constexpr std::uint8_t kItemRest = 0x0A;
constexpr std::uint8_t kSyntaxS7Any = 0x10;
constexpr std::uint8_t kTransportByte = 0x02;
constexpr std::uint8_t kReturnSuccess = 0xFF;

// Transport sizes of an answer whose length counts bits; the others count
// bytes (0x09 octet string for timers and counters).
bool LengthInBits(std::uint8_t transportSize) {
  return transportSize == 0x03 || transportSize == 0x04 || transportSize == 0x05;
}

std::size_t Padded(std::size_t bytes) {
  return bytes + (bytes & 1);
}

}  // namespace

bool IsKnownArea(int area) {
  switch (area) {
    case kAreaInputs:
    case kAreaOutputs:
    case kAreaFlags:
    case kAreaDataBlock:
    case kAreaCounters:
    case kAreaTimers:
      return true;
    default:
      return false;
  }
}

bool IsTimerOrCounter(std::uint8_t area) {
  return area == kAreaTimers || area == kAreaCounters;
}

std::size_t ItemDataBytes(const ReadItem& item) {
  return IsTimerOrCounter(item.area) ? 2 * std::size_t{item.count} : item.count;
}

std::size_t ReadRequestBytes(std::size_t n) {
  return kJobHeader + kReadParams + kRequestItem * n;
}

std::size_t ReadAnswerBytes(std::span<const ReadItem> items) {
  std::size_t bytes = kAckDataHeader + kReadParams;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::size_t data = ItemDataBytes(items[i]);
    // A fill byte follows an odd length, except after the last item.
    bytes += kAnswerItemHead + (i + 1 < items.size() ? Padded(data) : data);
  }
  return bytes;
}

bool FitsOneRequest(std::span<const ReadItem> items, std::size_t pduLength) {
  return !items.empty() && items.size() <= kMaxReadItems &&
         ReadRequestBytes(items.size()) <= pduLength && ReadAnswerBytes(items) <= pduLength;
}

Bytes BuildReadVarRequest(std::uint16_t reference, std::span<const ReadItem> items) {
  ByteWriter w;
  const auto paramLength = static_cast<std::uint16_t>(kReadParams + kRequestItem * items.size());
  w.u8(kProtocolId).u8(kJob).be16(0).be16(reference).be16(paramLength).be16(0);
  w.u8(kFuncReadVar).u8(static_cast<std::uint8_t>(items.size()));
  for (const ReadItem& item : items) {
    const bool timerOrCounter = IsTimerOrCounter(item.area);
    // Bytes are addressed by bit; timers and counters by their number.
    const std::uint32_t address = timerOrCounter ? item.start : item.start * 8;
    w.u8(kVariableSpecification).u8(kItemRest).u8(kSyntaxS7Any);
    w.u8(timerOrCounter ? item.area : kTransportByte).be16(item.count);
    w.be16(item.area == kAreaDataBlock ? item.db : 0).u8(item.area);
    w.u8(static_cast<std::uint8_t>(address >> 16)).be16(static_cast<std::uint16_t>(address));
  }
  return w.take();
}

int ParseReadVarAnswer(ByteSpan answer, std::uint16_t reference, std::span<const ReadItem> items,
                       std::vector<ReadResult>& results) {
  results.clear();
  Pdu pdu;
  if (int r = ParsePdu(answer, pdu); r != 0) return r;
  if (pdu.reference != reference) return daveResWrongReference;
  if (pdu.rosctr == kAckData && pdu.error != 0) return pdu.error;
  if (pdu.rosctr != kAckData) return daveResUnexpectedFunc;
  ByteReader p(pdu.params);
  const std::uint8_t function = p.u8();
  const std::uint8_t count = p.u8();
  if (!p.ok()) return daveResShortPacket;
  if (function != kFuncReadVar) return daveResUnexpectedFunc;
  if (count < items.size()) return daveResMissingItems;
  if (count > items.size()) return daveResCannotEvaluatePDU;

  ByteReader d(pdu.data);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::uint8_t returnCode = d.u8();
    const std::uint8_t transportSize = d.u8();
    const std::uint16_t length = d.be16();
    if (!d.ok()) return daveResShortPacket;
    // A refused item is its head alone, whatever its length field says.
    if (returnCode != kReturnSuccess) {
      if (returnCode == 0) return daveResCannotEvaluatePDU;
      results.push_back({returnCode, {}});
      continue;
    }
    const std::size_t bytes = LengthInBits(transportSize) ? (length + 7u) / 8u : length;
    if (bytes != ItemDataBytes(items[i])) return daveResCannotEvaluatePDU;
    results.push_back({0, d.bytes(bytes)});
    if (i + 1 < items.size() && bytes % 2 != 0) d.skip(1);
    if (!d.ok()) return daveResShortPacket;
  }
  if (d.remaining() != 0) return daveResCannotEvaluatePDU;
  return 0;
}

}  // namespace nodave::s7
