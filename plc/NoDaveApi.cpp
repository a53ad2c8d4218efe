#include "plc/NoDaveApi.h"

#include <cerrno>
#include <chrono>
#include <thread>

namespace {

TNoDaveApi MakeRealApi() {
  TNoDaveApi api;
  api.setPort = ::setPort;
  api.openSocket = [](int port, const char* peer) {
    const int handle = ::openSocket(port, peer);
    return TSocketOpened{handle, handle < 0 ? errno : 0};
  };
  api.openS7online = ::openS7online;
  api.closeS7online = ::closeS7online;
  api.closePort = ::closePort;
  api.daveNewInterface = ::daveNewInterface;
  api.daveInitAdapter = ::daveInitAdapter;
  api.daveNewConnection = ::daveNewConnection;
  api.daveConnectPLC = ::daveConnectPLC;
  api.daveDisconnectPLC = ::daveDisconnectPLC;
  api.daveDisconnectAdapter = ::daveDisconnectAdapter;
  api.daveListReachablePartners = ::daveListReachablePartners;
  api.daveGetOrderCode = ::daveGetOrderCode;
  api.daveReadSZL = ::daveReadSZL;
  api.daveGetMaxPDULen = ::daveGetMaxPDULen;
  api.davePrepareReadRequest = ::davePrepareReadRequest;
  api.daveAddVarToReadRequest = ::daveAddVarToReadRequest;
  api.daveExecReadRequest = ::daveExecReadRequest;
  api.daveFreeResults = ::daveFreeResults;
  api.daveFree = ::daveFree;
  api.daveGetOpenFailure = ::daveGetOpenFailure;
  api.daveGetInterfaceFailure = ::daveGetInterfaceFailure;
  api.daveGetConnectionFailure = ::daveGetConnectionFailure;
  api.daveSetTimeout = ::daveSetTimeout;
  api.daveLookUpPeer = ::daveLookUpPeer;
  api.daveOpenPLCLink = ::daveOpenPLCLink;
  api.daveSetupCommunication = ::daveSetupCommunication;
  api.daveFindRackSlot = ::daveFindRackSlot;
  api.daveStrerror = ::daveStrerror;
  api.daveRackSlotPair = ::daveRackSlotPair;
  api.sleepMs = [](int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  };
  return api;
}

const TNoDaveApi*& Current() {
  static const TNoDaveApi* current = &RealNoDaveApi();
  return current;
}

}  // namespace

const TNoDaveApi& RealNoDaveApi() {
  static const TNoDaveApi real = MakeRealApi();
  return real;
}

const TNoDaveApi& NoDave() {
  return *Current();
}

const TNoDaveApi* SetNoDaveApi(const TNoDaveApi* api) {
  const TNoDaveApi* previous = Current();
  Current() = api != nullptr ? api : &RealNoDaveApi();
  return previous;
}
