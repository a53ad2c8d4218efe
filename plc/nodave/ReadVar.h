#pragma once
// Reading variables (S7 function 0x04, "read var"): the request for up to
// 20 items and its answer, each item with its own return code. How many
// items and bytes fit one PDU is computed here once, for the library's
// checks and for callers that pack requests.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "plc/nodave/ByteIO.h"

namespace nodave::s7 {

constexpr std::uint8_t kFuncReadVar = 0x04;
// An S7-300 takes at most this many items per request; the emulator silently
// answers only the first 20 of more.
constexpr std::size_t kMaxReadItems = 20;

// Areas as the request names them.
constexpr std::uint8_t kAreaInputs = 0x81;
constexpr std::uint8_t kAreaOutputs = 0x82;
constexpr std::uint8_t kAreaFlags = 0x83;
constexpr std::uint8_t kAreaDataBlock = 0x84;
constexpr std::uint8_t kAreaCounters = 0x1C;
constexpr std::uint8_t kAreaTimers = 0x1D;

// The largest byte address the request's 3-byte bit address can carry.
constexpr std::uint32_t kMaxByteAddress = 0xFFFFFF / 8;

struct ReadItem {
  std::uint8_t area = kAreaDataBlock;
  std::uint16_t db = 0;     // data block number; 0 for the other areas
  std::uint32_t start = 0;  // byte address, or the first timer / counter
  std::uint16_t count = 0;  // bytes, or timers / counters
};

bool IsKnownArea(int area);
bool IsTimerOrCounter(std::uint8_t area);
// The data bytes the item's answer carries (a timer or counter is 2 bytes).
std::size_t ItemDataBytes(const ReadItem& item);

// The size of a request with n items, and of the answer to items when every
// one is answered with data; both must fit the negotiated PDU.
std::size_t ReadRequestBytes(std::size_t n);
std::size_t ReadAnswerBytes(std::span<const ReadItem> items);
// Whether items may go in one request over a PDU of pduLength bytes.
bool FitsOneRequest(std::span<const ReadItem> items, std::size_t pduLength);

Bytes BuildReadVarRequest(std::uint16_t reference, std::span<const ReadItem> items);

struct ReadResult {
  int code = 0;   // 0, or the item's return code (0x01..0xFE)
  ByteSpan data;  // the item's bytes, when code is 0
};

// The answer to a request for items: 0 with one result per item, a PLC
// error code (> 0) that refuses the whole job, or a negative code:
// daveResMissingItems for fewer items than asked, daveResCannotEvaluatePDU
// for more items, a length that does not fit the item, or bytes left over.
int ParseReadVarAnswer(ByteSpan answer, std::uint16_t reference, std::span<const ReadItem> items,
                       std::vector<ReadResult>& results);

}  // namespace nodave::s7
