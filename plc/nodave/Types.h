#pragma once
// The S7 library's vocabulary: handles, protocol and area codes, result
// codes, time limits, steps and the records of a read and of a failure.
// The library's parts share these; the facade (nodave.h) adds its calls.
#include <cstdint>

extern "C" {

// Read and write handle of an opened serial port, socket or access point.
typedef struct _daveOSserialType {
  int rfd;
  int wfd;
} _daveOSserialType;

typedef struct daveInterface daveInterface;    // opaque
typedef struct daveConnection daveConnection;  // opaque

// Protocol codes handed to daveNewInterface.
enum {
  daveProtoMPI = 0,        // MPI over the serial PC adapter
  daveProtoMPI2 = 1,       // the same, variant without STX answer
  daveProtoMPI3 = 2,       // the same, variant with STX
  daveProtoPPI = 10,       // PPI to an S7-200
  daveProtoISOTCP = 122,   // ISO over TCP (RFC 1006)
  daveProtoS7online = 50,  // vendor access point (not on Linux)
};

// Bus speed codes handed to daveNewInterface (MPI only).
enum {
  daveSpeed9k = 0,
  daveSpeed19k = 1,
  daveSpeed187k = 2,
  daveSpeed500k = 3,
  daveSpeed1500k = 4,
  daveSpeed45k = 5,
  daveSpeed93k = 6,
};

// Result codes. 0 is success. Positive codes are what the PLC answered:
// the return code of a requested object (1..255) or the 16-bit error
// class/code of an answer (for example 0x8104, 0xD402). Negative codes are
// failures the library detects; each has its own text in daveStrerror
// (ResultCodes.def lists them with their texts).
enum {
#define DAVE_RESULT(name, value, text) name = value,
#include "plc/nodave/ResultCodes.def"

  // COTP disconnect request in answer to the connection request:
  // daveResCotpRefusedBase - reason (ISO 8073 reason code 0..255).
  daveResCotpRefusedBase = -1100,
  // MPI adapter error answer "E=xxxx": daveResAdapterErrorBase - 0xxxxx.
  daveResAdapterErrorBase = -0x10000,
};

// Time limits. Every call below that talks to a peer (daveInitAdapter,
// daveConnectPLC, daveDisconnectPLC, daveDisconnectAdapter,
// daveListReachablePartners, daveGetOrderCode, daveReadSZL, daveReadBytes,
// daveExecReadRequest) fixes its end when it starts:
// at most daveCallTimeoutFactor answer time-outs (daveSetTimeout) later. No
// byte pattern, frame count, trickle rate or chain of "more follows" answers
// from the peer can make the call last longer; a call that reaches its end
// returns daveResTimeout and drops the PLC connection. With the default
// time-outs a call ends within 6 s over TCP, 2 s over PPI and 8 s over MPI.
// openSocket has its own limit (daveSetConnectTimeout), which includes the
// look-up of a host name.
enum {
  daveCallTimeoutFactor = 4,
  daveDefaultConnectTimeoutMs = 3000,
};

// Areas.
enum {
  daveInputs = 0x81,
  daveOutputs = 0x82,
  daveFlags = 0x83,
  daveDB = 0x84,
  daveCounter = 0x1C,
  daveTimer = 0x1D,
};

// Items one request may carry (what an S7-300 accepts).
enum { daveMaxReadItems = 20 };

// A read request being put together by davePrepareReadRequest and
// daveAddVarToReadRequest; the caller owns it (on the stack will do).
typedef struct daveReadItem {
  int area;
  int DBnum;
  int start;  // byte address, or the first timer / counter
  int count;  // bytes, or timers / counters
} daveReadItem;

typedef struct PDU {
  int itemCount;
  // Items added beyond daveMaxReadItems, or with arguments no request can
  // carry: daveExecReadRequest then refuses the request.
  int refusedItems;
  daveReadItem items[daveMaxReadItems];
} PDU;

// What one item brought: error 0 and length bytes, or the item's return
// code from the PLC (daveResItem*: 5 address out of range, 10 object does
// not exist, ...) and no bytes.
typedef struct daveResult {
  int error;
  int length;
  unsigned char* bytes;
} daveResult;

typedef struct daveResultSet {
  int numResults;
  daveResult* results;  // owned by the set: free it with daveFreeResults
} daveResultSet;

// The step of an attempt that failed, and the further steps of a
// diagnosis, named in the same list (daveStepName).
enum {
  daveStepNone = 0,  // no failure recorded
#define DAVE_STEP(name, value, text) name = value,
#include "plc/nodave/Steps.def"
};

enum {
  daveFailureAddressSize = 80,
  daveFailureDeviceSize = 128,
  daveFailureGroupSize = 40,
  daveFailureAdaptersSize = 256,
};

typedef struct daveFailure {
  int step;        // daveStep*; daveStepNone when nothing failed
  int result;      // the result code the failing call returned (-1: setPort/openSocket)
  int osError;     // errno of the failing system call, 0 when none
  int cotpReason;  // reason of a COTP disconnect request (0..255), -1 when none
  int s7Error;     // error class and code the PLC answered (0xCCCC), 0 when none
  int itemReturn;  // return code of the requested object (not 0xFF), 0 when none
  int rack;        // rack and slot tried (ISO over TCP, MPI), -1 when none
  int slot;
  char address[daveFailureAddressSize];  // "ADDRESS:PORT" (TCP), else empty
  char device[daveFailureDeviceSize];    // serial device path, else empty
  char speed[16];                        // serial speed as given to setPort, else empty
  char group[daveFailureGroupSize];      // group owning a device that could not be opened
  // Serial adapters present (/dev/serial/by-id, comma separated) when the
  // device does not exist; empty when there are none.
  char adapters[daveFailureAdaptersSize];
  int waitedMs;  // daveResAnswerIncomplete: how long the answer was waited for, else 0
} daveFailure;

enum { daveCauseValueCount = 4, daveCauseValueSize = 256 };

// One cause line, ready for translation: pattern is an English text of the
// program's message catalogue with "%s" placeholders, filled in order with
// values. A value with translate set is itself a catalogue text (a step name,
// the meaning of an error code) and is translated before it is filled in;
// the others (addresses, paths, codes as 0x...) are taken as they are.
typedef struct daveCause {
  const char* pattern;  // NULL when no failure is recorded
  int count;
  char values[daveCauseValueCount][daveCauseValueSize];
  int translate[daveCauseValueCount];
} daveCause;

// What kind of failure a result code is, for advice that depends on it.
enum {
  daveKindOther = 0,           // the link broke, a wrong argument, ...
  daveKindNoAnswer = 1,        // nothing (complete) came in time
  daveKindWrongReference = 2,  // an answer to another request
  daveKindMalformed = 3,       // an answer that cannot be believed
  daveKindPlcRefused = 4,      // the PLC's own error or return code
};

// Called by daveFindRackSlot after each attempt with its rack, slot and
// result (0: the PLC accepted the connection and the S7 set-up).
typedef void (*daveRackSlotAttempt)(void* context, int rack, int slot, int result);
}
