#pragma once
// S7 communication PDUs, the same over ISO on TCP, PPI and MPI: header,
// set-up of the communication (function 0xF0) and reading a system status
// list (SZL) with a Userdata PDU. Builders produce complete PDUs; parsers
// check every length against the bytes actually received.
#include <array>
#include <cstdint>
#include <span>

#include "plc/nodave/ByteIO.h"

namespace nodave::s7 {

constexpr std::uint8_t kProtocolId = 0x32;
// PDU types (ROSCTR).
constexpr std::uint8_t kJob = 0x01;
constexpr std::uint8_t kAck = 0x02;
constexpr std::uint8_t kAckData = 0x03;
constexpr std::uint8_t kUserdata = 0x07;

constexpr std::uint8_t kFuncSetupCommunication = 0xF0;
// Module identification: all records, and one record (index 1 = module).
constexpr std::uint16_t kSzlModuleIdentification = 0x0011;
constexpr std::uint16_t kSzlOneModuleIdentification = 0x0111;
constexpr std::uint16_t kSzlComponentIdentification = 0x001C;
constexpr std::uint16_t kSzlCurrentModeTransition = 0x0424;
// The smallest PDU size S7 PLCs negotiate.
constexpr std::uint16_t kSmallestPdu = 240;
constexpr std::size_t kOrderCodeLength = 20;  // MLFB field of a record

Bytes BuildSetupCommunication(std::uint16_t reference, std::uint16_t pduLength);
Bytes BuildSzlRequest(std::uint16_t reference, std::uint16_t id, std::uint16_t index);
// Asks for the next part of a long SZL answer; sequence comes from the
// previous part.
Bytes BuildSzlFollowUp(std::uint16_t reference, std::uint8_t sequence);

struct Pdu {
  std::uint8_t rosctr = 0;
  std::uint16_t reference = 0;
  std::uint16_t error = 0;  // class << 8 | code, in Ack and Ack_Data only
  ByteSpan params;
  ByteSpan data;
};

// Splits a PDU into header, parameters and data. 0, daveResCannotEvaluatePDU
// (not an S7 PDU) or daveResShortPacket (shorter than its lengths say).
int ParsePdu(ByteSpan bytes, Pdu& out);

// Answer to a set-up request: 0 and the PDU length the PLC accepts, a PLC
// error code (> 0) or a negative result code.
int ParseSetupAnswer(ByteSpan answer, std::uint16_t reference, std::uint16_t& pduLength);

struct SzlPart {
  std::uint8_t sequence = 0;
  bool more = false;  // further parts follow
  ByteSpan payload;   // what follows the data header (first part: from the SZL-ID on)
};

// One part of an SZL answer: 0, a PLC error code (> 0) or a negative code.
int ParseSzlAnswer(ByteSpan answer, std::uint16_t reference, SzlPart& out);

struct SzlList {
  std::uint16_t id = 0;
  std::uint16_t index = 0;
  std::uint16_t recordLength = 0;
  std::uint16_t recordCount = 0;
  ByteSpan records;  // as received; may be shorter than recordLength * recordCount
};

int ParseSzlList(ByteSpan payload, SzlList& out);

// Whether payload is the list asked for: its SZL-ID and index. 0,
// daveResWrongSzl or daveResShortPacket.
int CheckSzlList(ByteSpan payload, std::uint16_t id, std::uint16_t index);

// The size of an SZL list's header: SZL-ID, index, record length, count.
constexpr std::size_t kSzlListHeader = 8;

// Copies list into out as the header followed by the whole records that
// were received and fit into out; the count in the copied header is the
// number of records copied. Returns the bytes written, or
// daveResInvalidParam when out cannot hold the header.
int CopySzlList(const SzlList& list, std::span<std::uint8_t> out);

// The order code from module identification records: the record of the
// module (index 1) when its MLFB is not blank, else the first record whose
// MLFB is not blank. 0, daveResNoOrderCode, or daveResBadOrderCode when the
// MLFB chosen is not printable text over its whole width.
int FindOrderCode(const SzlList& list, std::array<char, kOrderCodeLength>& code);

}  // namespace nodave::s7
