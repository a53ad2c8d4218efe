#pragma once
// The card reaches the S7 library only through this table, so that tests can
// put a scripted PLC or adapter behind it, count calls and inject failures.
#include <functional>

#include "plc/nodave/nodave.h"

// What openSocket gave: the descriptor, or -1 and the system's error number
// (ENOENT: the name could not be looked up), taken right at the call so
// that nothing between the call and the card can change it.
struct TSocketOpened {
  int Handle = -1;
  int Error = 0;
};

struct TNoDaveApi {
  std::function<int(const char* name, const char* baud, int parity)> setPort;
  std::function<TSocketOpened(int port, const char* peer)> openSocket;
  std::function<int(const char* accessPoint, std::uintptr_t windowHandle)> openS7online;
  std::function<int(int handle)> closeS7online;
  // The operating system's close of a serial-port or socket handle.
  std::function<int(int handle)> closePort;
  std::function<daveInterface*(_daveOSserialType port, const char* name, int localAddress,
                               int protocol, int speed)>
      daveNewInterface;
  std::function<int(daveInterface*)> daveInitAdapter;
  std::function<daveConnection*(daveInterface*, int address, int rack, int slot)> daveNewConnection;
  std::function<int(daveConnection*)> daveConnectPLC;
  std::function<int(daveConnection*)> daveDisconnectPLC;
  std::function<int(daveInterface*)> daveDisconnectAdapter;
  std::function<int(daveInterface*, char* buffer)> daveListReachablePartners;
  std::function<int(daveConnection*, char* buffer)> daveGetOrderCode;
  std::function<int(daveConnection*, int id, int index, void* buffer, int length)> daveReadSZL;
  // Reading variables.
  std::function<int(daveConnection*)> daveGetMaxPDULen;
  std::function<void(daveConnection*, PDU*)> davePrepareReadRequest;
  std::function<void(PDU*, int area, int db, int start, int count)> daveAddVarToReadRequest;
  std::function<int(daveConnection*, PDU*, daveResultSet*)> daveExecReadRequest;
  std::function<void(daveResultSet*)> daveFreeResults;
  std::function<void(void* handle)> daveFree;
  // Why the last open, interface or connection call failed.
  std::function<int(daveFailure*)> daveGetOpenFailure;
  std::function<int(daveInterface*, daveFailure*)> daveGetInterfaceFailure;
  std::function<int(daveConnection*, daveFailure*)> daveGetConnectionFailure;
  // The single steps a diagnosis takes one by one.
  std::function<void(daveInterface*, int microseconds)> daveSetTimeout;
  std::function<int(int port, const char* peer, char* address, int size)> daveLookUpPeer;
  std::function<int(daveConnection*)> daveOpenPLCLink;
  std::function<int(daveConnection*, int* pduLength)> daveSetupCommunication;
  std::function<int(int port, const char* peer, int firstRack, int totalMs, int* rack, int* slot,
                    daveRackSlotAttempt attempt, void* context)>
      daveFindRackSlot;
  std::function<const char*(int code)> daveStrerror;
  std::function<int(int firstRack, int index, int* rack, int* slot)> daveRackSlotPair;
  // The pause after the last Disconnect.
  std::function<void(int milliseconds)> sleepMs;
};

// The table of the real library.
const TNoDaveApi& RealNoDaveApi();
// The table the card uses now.
const TNoDaveApi& NoDave();
// Installs api (null: the real library again); returns the previous table.
const TNoDaveApi* SetNoDaveApi(const TNoDaveApi* api);
