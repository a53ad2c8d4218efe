#pragma once
// The S7 communication library: ISO over TCP, PPI and MPI over a serial PC
// adapter. A C-style facade: every function checks its arguments, accepts
// NULL where a handle is expected, never throws, and reports failures by a
// result code (0 = success, negative = library error, positive = error
// number the PLC sent) that daveStrerror turns into an English text.
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
  daveProtoMPI = 0,         // MPI over the serial PC adapter
  daveProtoMPI2 = 1,        // the same, variant without STX answer
  daveProtoMPI3 = 2,        // the same, variant with STX
  daveProtoPPI = 10,        // PPI to an S7-200
  daveProtoISOTCP = 122,    // ISO over TCP (RFC 1006)
  daveProtoS7online = 50,   // vendor access point (not on Linux)
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

// Opens a serial device: name "COM<n>" is looked up as $VN_S7_COM<n>, else
// /dev/ttyS<n-1>; any other name is taken as a device path. baud is decimal
// text ("9600".."115200"); parity 'O', 'E' or 'N'. Returns the descriptor, -1
// on failure.
int setPort(const char* name, const char* baud, int parity);

// Connects to peer:port over TCP with a bounded time-out. Returns the
// descriptor, -1 on failure.
int openSocket(int port, const char* peer);

// The vendor access point does not exist on Linux: always -1.
int openS7online(const char* accessPoint, std::uintptr_t windowHandle);
int closeS7online(int handle);

// Closes a descriptor returned by setPort or openSocket (negative: nothing).
int closePort(int handle);

daveInterface* daveNewInterface(_daveOSserialType port, const char* name, int localMPI,
                                int protocol, int speed);
int daveInitAdapter(daveInterface* di);
daveConnection* daveNewConnection(daveInterface* di, int mpiAddress, int rack, int slot);
int daveConnectPLC(daveConnection* dc);
int daveDisconnectPLC(daveConnection* dc);
int daveDisconnectAdapter(daveInterface* di);

// Fills buf (at least 126 bytes) with one byte per bus address; 0x30 marks an
// address that answers. Returns the number of entries filled, negative on error.
int daveListReachablePartners(daveInterface* di, char* buf);

// Copies the PLC's order code (at most 21 characters) and a terminating zero
// into buf (at least 22 bytes). Returns 0 or an error code.
int daveGetOrderCode(daveConnection* dc, char* buf);

// Frees an interface or a connection made by this library; NULL is ignored.
void daveFree(void* handle);

// English text for a result code; codes the library does not produce give a
// text containing "no message defined".
const char* daveStrerror(int code);

// Time-out for a single answer, in microseconds (default 1.5 s for TCP).
void daveSetTimeout(daveInterface* di, int microseconds);
}
