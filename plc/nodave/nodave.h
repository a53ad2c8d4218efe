#pragma once
// The S7 communication library: ISO over TCP, PPI and MPI over a serial PC
// adapter. A C-style facade: every function checks its arguments, accepts
// NULL where a handle is expected, never throws, and reports failures by a
// result code (0 = success, negative = library error, positive = error
// number the PLC sent) that daveStrerror turns into an English text.
//
// Calls on different interfaces run side by side: no lock is held across a
// wait for the peer except the lock of the interface the call works on, so
// calls on one interface (and on the connections made on it) take turns.
// The descriptors that setPort and openSocket return belong to the caller,
// who closes them (with closePort) after freeing the interface that uses
// them.
#include <cstdint>

#include "plc/nodave/Types.h"

extern "C" {

// Opens a serial device: name "COM<n>" is looked up as $VN_S7_COM<n>, else
// /dev/ttyS<n-1>; any other name is taken as a device path. baud is decimal
// text ("9600".."115200"); parity 'O', 'E' or 'N'. The device is locked
// (flock) while it is open, so a second program cannot talk through the same
// adapter. Returns the descriptor, -1 on failure with errno and the detail
// (daveGetOpenFailure) telling why: ENOENT, EACCES, EBUSY (locked by another
// program), ENOTTY, EINVAL for a name, speed or parity it cannot use.
int setPort(const char* name, const char* baud, int parity);

// Connects to peer:port over TCP. peer is a numeric IPv4 or IPv6 address or a
// host name; a name is looked up first, and the look-up counts against the
// connect time-out (daveSetConnectTimeout): the whole call ends within it.
// Every address the name has is tried in turn while time is left. Returns the
// descriptor, -1 on failure with errno telling why: EINVAL for a port out of
// range or a NULL peer, ENOENT for a name that could not be looked up (it
// does not exist, or no answer came in time), ETIMEDOUT when nobody answered
// the connect in time, otherwise the error the last connect ended with
// (ECONNREFUSED, ENETUNREACH, ...). daveGetOpenFailure gives the detail,
// with the step (name look-up or TCP connect) and "ADDRESS:PORT".
int openSocket(int port, const char* peer);

// Time-out for openSocket, in milliseconds (default
// daveDefaultConnectTimeoutMs; values below 1 are ignored).
void daveSetConnectTimeout(int milliseconds);

// The vendor access point does not exist on Linux: always -1, with the
// detail (daveGetOpenFailure: step daveStepAccessPoint, result
// daveResS7onlineUnavailable) saying so.
int openS7online(const char* accessPoint, std::uintptr_t windowHandle);
// Nothing to close on Linux: returns 0.
int closeS7online(int handle);

// Closes a descriptor returned by setPort or openSocket (negative: nothing,
// -1 returned). Returns 0 or -1 as close does.
int closePort(int handle);

// Makes an interface over the descriptors in port. name is kept for messages
// (may be NULL); localMPI is the own bus address (MPI, PPI). Returns NULL for
// an unknown protocol code. The descriptors are not checked here but by
// daveInitAdapter.
daveInterface* daveNewInterface(_daveOSserialType port, const char* name, int localMPI,
                                int protocol, int speed);
// Readies the interface: for MPI the adapter joins the bus with the own
// address and bus speed. Returns 0 or a result code.
int daveInitAdapter(daveInterface* di);
// Makes a connection object for the PLC at mpiAddress (MPI, PPI) or
// rack/slot (ISO over TCP, MPI). Arguments are checked by daveConnectPLC.
// Returns NULL only for an invalid interface.
daveConnection* daveNewConnection(daveInterface* di, int mpiAddress, int rack, int slot);
// Opens the connection to the PLC and negotiates the PDU size (the steps
// daveOpenPLCLink and daveSetupCommunication in one). 0 or a code. Over ISO
// on TCP, a first answer that is no COTP connection confirm, disconnect or
// error (no TPKT version 3, an HTTP or text answer) is daveResNotS7Service.
// A PDU size below 240 or above the size proposed is daveResBadPduSize;
// from then on an answer longer than the negotiated size is
// daveResAnswerOverPdu.
int daveConnectPLC(daveConnection* dc);
// Ends the connection to the PLC (the descriptor stays open). 0 or a code.
int daveDisconnectPLC(daveConnection* dc);
// The MPI adapter leaves the bus; nothing to do for other protocols.
int daveDisconnectAdapter(daveInterface* di);

// Fills buf (at least 126 bytes) with one byte per bus address; 0x30 marks an
// address that answers. Returns the number of entries filled, negative on error.
int daveListReachablePartners(daveInterface* di, char* buf);

// Copies the PLC's order code (at most 21 characters) and a terminating zero
// into buf (at least 22 bytes). Returns 0 or an error code - a refused read
// (PLC error code, item return code) is an error, never an empty success; so
// is an answer for another list (daveResWrongSzl) or an order code that is
// not printable text of its field's width (daveResBadOrderCode). On error
// buf is not written and the connection's failure detail says why.
int daveGetOrderCode(daveConnection* dc, char* buf);

// Reads the system status list id (0..0xFFFF) with index (0..0xFFFF), all
// parts of a long answer, into buffer (length bytes, at least 8): SZL-ID,
// index, record length and record count as 16-bit big-endian words, then
// the records. The count in buffer is the number of whole records that were
// received and fit into length, so the caller walks count * record length
// bytes whatever the PLC claimed. Returns 0, a PLC error code (> 0: the PLC
// refused the list, for example 0x0A or 0xD402) or a negative result code
// (daveResWrongSzl when the answer carries another list or index); on error
// buffer is not written.
int daveReadSZL(daveConnection* dc, int id, int index, void* buffer, int length);

// ---------------------------------------------------------------------------
// Reading variables: bytes of the inputs, outputs, flags and data blocks, and
// timers and counters (two bytes each, as the PLC keeps them: S5TIME for a
// timer, BCD for a counter).

// The PDU size negotiated by the connection's set-up; 0 while it is not
// connected or for an invalid handle.
int daveGetMaxPDULen(daveConnection* dc);

// Reads len bytes (timers, counters: len of them, two bytes each) from area
// (DB: data block DB) at start into buffer. The request and its answer must
// fit the negotiated PDU (daveResRequestTooLarge otherwise). 0, the item's
// return code the PLC sent (> 0), or a result code; on failure buffer is not
// written and the connection's failure detail says why.
int daveReadBytes(daveConnection* dc, int area, int DB, int start, int len, void* buffer);

// Empties p for a new request over dc.
void davePrepareReadRequest(daveConnection* dc, PDU* p);
// Adds an item (arguments as daveReadBytes takes them) to p.
void daveAddVarToReadRequest(PDU* p, int area, int DBnum, int start, int bytes);
// Sends p and fills rl with one result per item, in order; rl is
// overwritten (free earlier results first) and must be freed with
// daveFreeResults. Returns 0 when the PLC
// answered every item (each result then has its own error), a PLC error
// code that refused the whole job, or a result code: daveResRequestTooLarge
// for more than 20 items or a request or answer larger than the negotiated
// PDU (nothing is sent), daveResMissingItems for an answer with fewer items
// than asked. Within the call's deadline, as every call that talks.
int daveExecReadRequest(daveConnection* dc, PDU* p, daveResultSet* rl);
// The error of result n of rl (0: its bytes are in rl->results[n]), or
// daveResInvalidParam when there is no such result.
int daveUseResult(daveConnection* dc, daveResultSet* rl, int n);
// Frees the results of rl and empties it; again: nothing.
void daveFreeResults(daveResultSet* rl);

// Frees an interface or a connection made by this library; NULL and pointers
// the library did not hand out (or already freed) are ignored. A call on the
// object running in another thread meanwhile ends safely: freeing an
// interface waits for the call on it to end, and its connections can do
// nothing more from then on.
void daveFree(void* handle);

// English text for a result code; codes the library does not produce give a
// text containing "no message defined". The text stays valid for ever.
const char* daveStrerror(int code);

// Time-out for a single answer, in microseconds (defaults: 1.5 s for TCP,
// 0.5 s per PPI frame, 2 s for the MPI adapter's acknowledgements). Values
// below 1 are ignored. A call that talks to the peer ends at the latest
// daveCallTimeoutFactor time-outs after it started.
void daveSetTimeout(daveInterface* di, int microseconds);
// ---------------------------------------------------------------------------
// Why the last call failed. The library keeps the detail of the last failure
// of setPort/openSocket (per thread), of each interface and of each
// connection. Nothing in it is taken from a text: it holds what happened, as
// numbers and names, and daveDescribeFailure turns it into one cause line.

// The detail of the last failed setPort or openSocket of the calling thread
// (step daveStepNone after a success). 0, or daveResInvalidParam for NULL.
int daveGetOpenFailure(daveFailure* failure);
// The detail of the last failure of the interface (daveInitAdapter,
// daveListReachablePartners) or of the connection (daveConnectPLC and the
// calls below, daveGetOrderCode, daveReadSZL). A connection keeps the first
// failure of an attempt: a follow-up such as daveResNotConnected does not
// replace it; daveConnectPLC's success clears it. 0 or daveResInvalidHandle /
// daveResInvalidParam.
int daveGetInterfaceFailure(daveInterface* di, daveFailure* failure);
int daveGetConnectionFailure(daveConnection* dc, daveFailure* failure);

// The cause line of a failure. Any contents of failure are safe (strings need
// no terminating zero). 0, or daveResInvalidParam for NULL pointers.
int daveDescribeFailure(const daveFailure* failure, daveCause* cause);

// The English name of a step (a catalogue text), "" for daveStepNone.
const char* daveStepName(int step);

// What kind of failure (daveKind*) result is, for advice that depends on it.
int daveResultKind(int result);

// ---------------------------------------------------------------------------
// Single steps, for testing a connection step by step. daveConnectPLC is
// daveOpenPLCLink followed by daveSetupCommunication.

// Looks up peer (a name or a numeric address) within the connect time-out
// and writes its first TCP address as numeric text into address (size
// bytes; 64 are always enough). 0, or -1 with the detail in
// daveGetOpenFailure (step daveStepNameLookup).
int daveLookUpPeer(int port, const char* peer, char* address, int size);

// Opens the connection to the PLC without the S7 set-up: over ISO on TCP the
// connection request to the rack and slot of the connection, over PPI and
// MPI the link to the station. 0 or a result code.
int daveOpenPLCLink(daveConnection* dc);
// The S7 set-up on a link opened by daveOpenPLCLink; pduLength (may be NULL)
// receives the negotiated PDU size. 0 or a result code; on failure the link
// is closed.
int daveSetupCommunication(daveConnection* dc, int* pduLength);

// Looks for a rack and slot the PLC at peer:port accepts (ISO over TCP):
// firstRack with slots 0 to 5, then rack 0 with slots 0 to 5 (at most twelve
// attempts, each on a connection of its own within the connect time-out),
// and stops at the first pair that completes the S7 set-up (a bare ISO
// connection confirm is not enough), when totalMs milliseconds are used up,
// or when the port does not open or its service is no S7 PLC
// (daveResNotS7Service). 0 with rack and slot set, or the result of the last
// attempt (daveResTimeout when no attempt had time left). attempt may be
// NULL.
int daveFindRackSlot(int port, const char* peer, int firstRack, int totalMs, int* rack, int* slot,
                     daveRackSlotAttempt attempt, void* context);

// The pair daveFindRackSlot tries as attempt index (from 0) of a search that
// starts at firstRack, for callers that make the attempts themselves and keep
// the connection that is accepted: 0 with rack and slot set, or -1 when the
// search makes no such attempt (or a pointer is NULL).
int daveRackSlotPair(int firstRack, int index, int* rack, int* slot);
}
