// Texts for result codes. Codes the library produces each have their own
// text; anything else says "no message defined", which the program replaces
// by its own message.
#include <cstdint>

#include "plc/nodave/ComposedText.h"
#include "plc/nodave/Texts.h"
#include "plc/nodave/WireLimits.h"
#include "plc/nodave/nodave.h"

namespace {

using nodave::ComposeText;
using nodave::kMaxBusAddress;
using nodave::kMaxRack;
using nodave::kMaxSlot;
using nodave::TComposedText;

struct Text {
  int code;
  const char* text;
};

constexpr TComposedText kInvalidAddressText =
    ComposeText({"bus address out of range (0 to ", kMaxBusAddress, ")"});
constexpr TComposedText kInvalidRackSlotText =
    ComposeText({"rack must be 0 to ", kMaxRack, " and slot 0 to ", kMaxSlot});

// Every code the library produces, with its own text.
constexpr Text kLibraryTexts[] = {
#define DAVE_RESULT(name, value, text) {name, text},
#include "plc/nodave/ResultCodes.def"
};

// COTP disconnect reasons (ISO 8073) in answer to the connection request.
constexpr Text kCotpReasons[] = {
    {0, "the PLC refused the connection (reason not specified)"},
    {1, "the PLC refused the connection (congestion at the TSAP)"},
    {2, "the PLC refused the connection (no session entity at the TSAP)"},
    {3, "the PLC refused the connection (address unknown: check rack and slot)"},
    {128, "the PLC ended the connection (normal disconnect)"},
    {129, "the PLC refused the connection (remote congestion)"},
    {130, "the PLC refused the connection (connection negotiation failed)"},
    {131, "the PLC refused the connection (duplicate source reference)"},
    {132, "the PLC refused the connection (mismatched references)"},
    {133, "the PLC refused the connection (protocol error)"},
    {135, "the PLC refused the connection (reference overflow)"},
    {136, "the PLC refused the connection request"},
    {138, "the PLC refused the connection (header or parameter length invalid)"},
};

// Error answers of the MPI adapter ("E=xxxx").
constexpr Text kAdapterErrors[] = {
    {0x0312, "MPI adapter: incorrect configuration parameter"},
    {0x0313, "MPI adapter: incorrect bus speed"},
    {0x0314, "MPI adapter: bus parameters (highest station address) incorrect"},
    {0x0315, "MPI adapter: local MPI address error"},
    {0x031A, "MPI adapter: no other station found on the bus"},
    {0x0320, "MPI adapter: hardware fault"},
    {0x0332, "MPI adapter: hardware fault"},
    {0x0381, "MPI adapter: hardware fault"},
    {0x0333, "MPI adapter: interface not configured"},
    {0x0334, "MPI adapter: interface not available"},
    {0x0336, "MPI adapter: no connection"},
    {0x4360, "MPI adapter: timeout"},
    {0xFFFF, "MPI adapter: timeout"},
    {0xA0CF, "MPI adapter: partner not responding"},
};

// 16-bit error class and code the PLC puts into its answers.
constexpr Text kPlcErrors[] = {
    {0x0110, "PLC: invalid block number"},
    {0x0111, "PLC: invalid request length"},
    {0x0112, "PLC: invalid parameter"},
    {0x0118, "PLC: invalid block number"},
    {0x011A, "PLC: resource error in the programming device"},
    {0x011B, "PLC: resource error in the PLC"},
    {0x011C, "PLC: protocol error"},
    {0x8000, "PLC: function already occupied"},
    {0x8001, "PLC: service not possible in the current state"},
    {0x8100, "PLC: service unknown to the module"},
    {0x8104, "PLC: service not implemented on the module, or frame error"},
    {0x8301, "PLC: not enough memory"},
    {0x8404, "PLC: function cannot be performed"},
    {0x8500, "PLC: wrong frames, data exceed the PDU size"},
    {0x8702, "PLC: service not supported by the module"},
    {0x8703, "PLC: access to the object refused"},
    {0xD209, "PLC: block not found"},
    {0xD210, "PLC: invalid block number"},
    {0xD241, "PLC: not permitted at the current protection level (password needed)"},
    {0xD401, "PLC: information function unavailable (invalid SZL ID)"},
    {0xD402, "PLC: information function unavailable (invalid SZL index)"},
    {0xD406, "PLC: required information currently unavailable"},
    {0xD601, "PLC: syntax error in a function parameter"},
    {0xD602, "PLC: incorrect password"},
    {0xD603, "PLC: connection already legitimised"},
    {0xD604, "PLC: connection already enabled"},
    {0xD605, "PLC: legitimisation not possible, no password exists"},
    {0xDC01, "PLC: date and/or time invalid"},
};

// Codes of an error class we do not have a specific text for.
constexpr Text kPlcErrorClasses[] = {
    {0x81, "PLC error: application relationship"}, {0x82, "PLC error: object definition"},
    {0x83, "PLC error: no resources available"},   {0x84, "PLC error: error on service processing"},
    {0x85, "PLC error: error on supplies"},        {0x87, "PLC error: access error"},
};

template <std::size_t N>
const char* Find(const Text (&table)[N], int code) {
  for (const Text& t : table) {
    if (t.code == code) return t.text;
  }
  return nullptr;
}

const char* KnownText(int code) {
  if (const char* t = Find(kLibraryTexts, code)) return t;
  if (code <= daveResCotpRefusedBase && code > daveResCotpRefusedBase - 256) {
    return Find(kCotpReasons, daveResCotpRefusedBase - code);
  }
  if (code <= daveResAdapterErrorBase && code > daveResAdapterErrorBase - 0x10000) {
    return Find(kAdapterErrors, daveResAdapterErrorBase - code);
  }
  // Any number the PLC can send is explained, if only by its kind.
  if (code >= 1 && code <= 0xFF) return "the PLC returned an error for the requested object";
  if (code >= 0x100 && code <= 0xFFFF) {
    if (const char* t = Find(kPlcErrors, code)) return t;
    if (const char* t = Find(kPlcErrorClasses, code >> 8)) return t;
    return "the PLC answered with an error";
  }
  return nullptr;
}

}  // namespace

namespace nodave {

bool HasText(int code) {
  return KnownText(code) != nullptr;
}

}  // namespace nodave

extern "C" const char* daveStrerror(int code) {
  if (const char* t = KnownText(code)) return t;
  return "no message defined!";
}
