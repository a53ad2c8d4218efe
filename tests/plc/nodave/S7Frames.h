#pragma once
// Answers of a PLC, as captured from the emulator, with the PDU reference
// made a parameter, wrapped for the transport under test.
#include <cstdio>
#include <string>

#include "plc/nodave/IsoTcp.h"
#include "tests/plc/nodave/FakeTransport.h"

namespace nodave::testing {

inline std::string RefHex(std::uint16_t ref) {
  char b[8];
  std::snprintf(b, sizeof b, "%02X %02X", ref >> 8, ref & 0xFF);
  return b;
}

// The PDU reference of a request in an ISO frame (0 if too short).
inline std::uint16_t RefOf(const Bytes& frame) {
  return frame.size() > 12 ? static_cast<std::uint16_t>(frame[11] << 8 | frame[12]) : 0;
}

inline Bytes SetupAnswerPdu(std::uint16_t ref, const char* errorClassCode = "00 00",
                            const char* pduLength = "01 E0") {
  return Hex(("32 03 00 00 " + RefHex(ref) + " 00 08 00 00 " + errorClassCode +
              " F0 00 00 01 00 01 " + pduLength)
                 .c_str());
}

// The module identification list of the emulator (CPU 315-2 PN/DP).
inline const char* kSzl0011Records =
    "00 01 36 45 53 37 20 33 31 35 2d 32 45 48 31 34 2d 30 41 42 30 20 00 c0 00 04 00 01"
    "00 06 36 45 53 37 20 33 31 35 2d 32 45 48 31 34 2d 30 41 42 30 20 00 c0 00 04 00 01"
    "00 07 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 00 c0 56 03 02 06"
    "00 81 42 6f 6f 74 20 4c 6f 61 64 65 72 20 20 20 20 20 20 20 20 20 00 00 41 20 09 09";

// An SZL answer: params with sequence/last/error, data = FF 09 len + payload.
inline Bytes SzlAnswerPdu(std::uint16_t ref, const Bytes& payload, std::uint8_t sequence = 0,
                          std::uint8_t last = 0, std::uint16_t error = 0,
                          std::uint8_t returnCode = 0xFF) {
  ByteWriter w;
  w.u8(0x32).u8(0x07).be16(0).be16(ref).be16(12).be16(
      static_cast<std::uint16_t>(payload.size() + 4));
  w.u8(0x00).u8(0x01).u8(0x12).u8(0x08).u8(0x12).u8(0x84).u8(0x01).u8(sequence).u8(0).u8(last).be16(
      error);
  w.u8(returnCode).u8(0x09).be16(static_cast<std::uint16_t>(payload.size())).bytes(payload);
  return w.take();
}

inline Bytes Szl0011Payload(const char* records = kSzl0011Records, const char* count = "00 04") {
  return Concat({Hex("00 11 00 00 00 1C"), Hex(count), Hex(records)});
}

inline Bytes Iso(const Bytes& pdu) {
  return iso::BuildDataTpdu(pdu);
}

inline Bytes ConnectConfirm() {
  return Hex("03 00 00 16 11 D0 00 01 00 01 00 C0 01 0A C1 02 01 00 C2 02 01 02");
}

}  // namespace nodave::testing
