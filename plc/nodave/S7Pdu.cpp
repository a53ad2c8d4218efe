#include "plc/nodave/S7Pdu.h"

#include <algorithm>

#include "plc/nodave/Types.h"

namespace nodave::s7 {
namespace {

constexpr std::uint8_t kUserdataHead[] = {0x00, 0x01, 0x12};
constexpr std::uint8_t kMethodRequest = 0x11;
constexpr std::uint8_t kMethodResponse = 0x12;
constexpr std::uint8_t kCpuFunctionsRequest = 0x44;   // type 4 request, group 4 CPU functions
constexpr std::uint8_t kCpuFunctionsResponse = 0x84;  // type 8 response, group 4
constexpr std::uint8_t kSubfunctionReadSzl = 0x01;
constexpr std::uint8_t kReturnSuccess = 0xFF;
constexpr std::uint8_t kOctetString = 0x09;

void Header(ByteWriter& w, std::uint8_t rosctr, std::uint16_t reference, std::uint16_t plen,
            std::uint16_t dlen) {
  w.u8(kProtocolId).u8(rosctr).be16(0).be16(reference).be16(plen).be16(dlen);
}

bool HasErrorField(std::uint8_t rosctr) {
  return rosctr == kAck || rosctr == kAckData;
}

// Common checks of an answer: the reference must be ours; an error the PLC
// put into the header wins over everything else.
int CheckAnswer(const Pdu& pdu, std::uint8_t expected, std::uint16_t reference) {
  if (pdu.reference != reference) return daveResWrongReference;
  if (HasErrorField(pdu.rosctr) && pdu.error != 0) return pdu.error;
  if (pdu.rosctr != expected) return daveResUnexpectedFunc;
  return 0;
}

bool IsBlank(ByteSpan mlfb) {
  return std::all_of(mlfb.begin(), mlfb.end(), [](std::uint8_t c) { return c == ' ' || c == 0; });
}

// An order code fills its field with printable characters (blanks at the
// end); a zero byte would cut it short for every reader after us.
bool IsPrintable(ByteSpan mlfb) {
  return std::all_of(mlfb.begin(), mlfb.end(),
                     [](std::uint8_t c) { return c >= 0x20 && c < 0x7F; });
}

}  // namespace

Bytes BuildSetupCommunication(std::uint16_t reference, std::uint16_t pduLength) {
  ByteWriter w;
  Header(w, kJob, reference, 8, 0);
  // One parallel job each way: requests and answers strictly alternate.
  w.u8(kFuncSetupCommunication).u8(0).be16(1).be16(1).be16(pduLength);
  return w.take();
}

Bytes BuildSzlRequest(std::uint16_t reference, std::uint16_t id, std::uint16_t index) {
  ByteWriter w;
  Header(w, kUserdata, reference, 8, 8);
  w.bytes(kUserdataHead)
      .u8(4)
      .u8(kMethodRequest)
      .u8(kCpuFunctionsRequest)
      .u8(kSubfunctionReadSzl)
      .u8(0);
  // Real CPUs insist on return code FF and octet string in the request.
  w.u8(kReturnSuccess).u8(kOctetString).be16(4).be16(id).be16(index);
  return w.take();
}

Bytes BuildSzlFollowUp(std::uint16_t reference, std::uint8_t sequence) {
  ByteWriter w;
  Header(w, kUserdata, reference, 12, 4);
  w.bytes(kUserdataHead)
      .u8(8)
      .u8(kMethodResponse)
      .u8(kCpuFunctionsRequest)
      .u8(kSubfunctionReadSzl)
      .u8(sequence)
      .u8(0)
      .u8(0)
      .be16(0);
  w.u8(0x0A).u8(0).be16(0);  // no payload: "object does not exist", length 0
  return w.take();
}

int ParsePdu(ByteSpan bytes, Pdu& out) {
  ByteReader r(bytes);
  if (r.u8() != kProtocolId) return r.ok() ? daveResCannotEvaluatePDU : daveResShortPacket;
  out.rosctr = r.u8();
  r.skip(2);
  out.reference = r.be16();
  std::uint16_t plen = r.be16();
  std::uint16_t dlen = r.be16();
  if (!r.ok()) return daveResShortPacket;
  switch (out.rosctr) {
    case kJob:
    case kUserdata:
      out.error = 0;
      break;
    case kAck:
    case kAckData: {
      std::uint8_t cls = r.u8();
      std::uint8_t code = r.u8();
      out.error = static_cast<std::uint16_t>(cls << 8 | code);
      break;
    }
    default:
      return daveResCannotEvaluatePDU;
  }
  out.params = r.bytes(plen);
  out.data = r.bytes(dlen);
  return r.ok() ? 0 : daveResShortPacket;
}

int ParseSetupAnswer(ByteSpan answer, std::uint16_t reference, std::uint16_t& pduLength) {
  Pdu pdu;
  if (int r = ParsePdu(answer, pdu); r != 0) return r;
  if (int r = CheckAnswer(pdu, kAckData, reference); r != 0) return r;
  ByteReader p(pdu.params);
  std::uint8_t function = p.u8();
  p.skip(5);
  std::uint16_t length = p.be16();
  if (!p.ok()) return daveResShortPacket;
  if (function != kFuncSetupCommunication) return daveResUnexpectedFunc;
  if (length == 0) return daveResCannotEvaluatePDU;
  pduLength = length;
  return 0;
}

int ParseSzlAnswer(ByteSpan answer, std::uint16_t reference, SzlPart& out) {
  Pdu pdu;
  if (int r = ParsePdu(answer, pdu); r != 0) return r;
  if (int r = CheckAnswer(pdu, kUserdata, reference); r != 0) return r;
  ByteReader p(pdu.params);
  ByteSpan head = p.bytes(3);
  p.skip(1);  // length of the rest: 8 in answers
  std::uint8_t method = p.u8();
  std::uint8_t typeGroup = p.u8();
  std::uint8_t subfunction = p.u8();
  out.sequence = p.u8();
  p.skip(1);  // data unit reference
  std::uint8_t lastUnit = p.u8();
  std::uint16_t error = p.be16();
  if (!p.ok()) return daveResShortPacket;
  if (!std::equal(head.begin(), head.end(), std::begin(kUserdataHead))) {
    return daveResCannotEvaluatePDU;
  }
  if (method != kMethodResponse || typeGroup != kCpuFunctionsResponse ||
      subfunction != kSubfunctionReadSzl) {
    return daveResUnexpectedFunc;
  }
  if (error != 0) return error;
  ByteReader d(pdu.data);
  std::uint8_t returnCode = d.u8();
  d.skip(1);  // transport size
  std::uint16_t length = d.be16();
  if (!d.ok()) return daveResShortPacket;
  if (returnCode != kReturnSuccess)
    return returnCode != 0 ? returnCode : static_cast<int>(daveResCannotEvaluatePDU);
  out.payload = d.bytes(length);
  if (!d.ok()) return daveResShortPacket;
  out.more = lastUnit != 0;
  return 0;
}

int ParseSzlList(ByteSpan payload, SzlList& out) {
  ByteReader r(payload);
  out.id = r.be16();
  out.index = r.be16();
  out.recordLength = r.be16();
  out.recordCount = r.be16();
  if (!r.ok()) return daveResShortPacket;
  out.records = r.rest();
  return 0;
}

int CheckSzlList(ByteSpan payload, std::uint16_t id, std::uint16_t index) {
  SzlList list;
  if (int r = ParseSzlList(payload, list); r != 0) return r;
  return list.id == id && list.index == index ? 0 : daveResWrongSzl;
}

int CopySzlList(const SzlList& list, std::span<std::uint8_t> out) {
  if (out.size() < kSzlListHeader) return daveResInvalidParam;
  // Trust the bytes received, not the record count the PLC claims.
  std::size_t count = 0;
  if (list.recordLength != 0) {
    count = std::min<std::size_t>(list.recordCount, list.records.size() / list.recordLength);
    count = std::min(count, (out.size() - kSzlListHeader) / list.recordLength);
  }
  const std::size_t recordBytes = count * list.recordLength;
  ByteWriter header;
  header.be16(list.id)
      .be16(list.index)
      .be16(list.recordLength)
      .be16(static_cast<std::uint16_t>(count));
  const Bytes& head = header.data();
  std::copy(head.begin(), head.end(), out.begin());
  std::copy_n(list.records.begin(), recordBytes, out.begin() + kSzlListHeader);
  return static_cast<int>(kSzlListHeader + recordBytes);
}

int FindOrderCode(const SzlList& list, std::array<char, kOrderCodeLength>& code) {
  constexpr std::size_t kMlfbOffset = 2;
  if (list.recordLength < kMlfbOffset + kOrderCodeLength) return daveResNoOrderCode;
  // Trust the bytes received, not the record count the PLC claims.
  std::size_t count =
      std::min<std::size_t>(list.recordCount, list.records.size() / list.recordLength);
  ByteSpan chosen;
  for (std::size_t i = 0; i < count; ++i) {
    ByteReader rec(list.records.subspan(i * list.recordLength, list.recordLength));
    std::uint16_t index = rec.be16();
    ByteSpan mlfb = rec.bytes(kOrderCodeLength);
    if (IsBlank(mlfb)) continue;
    if (index == 0x0001) {
      chosen = mlfb;
      break;
    }
    if (chosen.empty()) chosen = mlfb;
  }
  if (chosen.empty()) return daveResNoOrderCode;
  if (!IsPrintable(chosen)) return daveResBadOrderCode;
  std::copy(chosen.begin(), chosen.end(), code.begin());
  return 0;
}

}  // namespace nodave::s7
