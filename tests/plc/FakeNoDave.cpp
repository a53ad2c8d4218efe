#include "tests/plc/FakeNoDave.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace {
std::string Quote(const char* text) {
  return text != nullptr ? text : "(null)";
}
}  // namespace

FakeNoDave::FakeNoDave() {
  FApi.setPort = [this](const char* name, const char* baud, int parity) {
    calls.push_back("setPort(" + Quote(name) + "," + Quote(baud) + "," +
                    std::string(1, static_cast<char>(parity)) + ")");
    return failSetPort ? -1 : OpenHandle();
  };
  FApi.openSocket = [this](int port, const char* peer) {
    calls.push_back("openSocket(" + std::to_string(port) + "," + Quote(peer) + ")");
    if (!failOpenSocket) return TSocketOpened{OpenHandle(), 0};
    return TSocketOpened{-1, openSocketErrno};
  };
  FApi.openS7online = [this](const char* accessPoint, std::uintptr_t window) {
    calls.push_back("openS7online(" + Quote(accessPoint) + "," + std::to_string(window) + ")");
    return failOpenS7online ? -1 : OpenHandle();
  };
  FApi.closeS7online = [this](int handle) {
    calls.push_back("closeS7online(" + std::to_string(handle) + ")");
    Close(handle);
    return 0;
  };
  FApi.closePort = [this](int handle) {
    calls.push_back("closePort(" + std::to_string(handle) + ")");
    Close(handle);
    return 0;
  };
  FApi.daveNewInterface = [this](_daveOSserialType port, const char* name, int local, int protocol,
                                 int speed) {
    auto* di = static_cast<daveInterface*>(Make('I'));
    calls.push_back("daveNewInterface(" + std::to_string(port.rfd) + "/" +
                    std::to_string(port.wfd) + "," + Quote(name) + "," + std::to_string(local) +
                    "," + std::to_string(protocol) + "," + std::to_string(speed) + ")->" +
                    Name(di));
    return di;
  };
  FApi.daveInitAdapter = [this](daveInterface* di) {
    calls.push_back("daveInitAdapter(" + Name(di) + ")");
    return initAdapterResult;
  };
  FApi.daveNewConnection = [this](daveInterface* di, int address, int rack, int slot) {
    auto* dc = static_cast<daveConnection*>(Make('C'));
    calls.push_back("daveNewConnection(" + Name(di) + "," + std::to_string(address) + "," +
                    std::to_string(rack) + "," + std::to_string(slot) + ")->" + Name(dc));
    return dc;
  };
  FApi.daveConnectPLC = [this](daveConnection* dc) {
    calls.push_back("daveConnectPLC(" + Name(dc) + ")");
    return connectPlcResult;
  };
  FApi.daveDisconnectPLC = [this](daveConnection* dc) {
    calls.push_back("daveDisconnectPLC(" + Name(dc) + ")");
    return 0;
  };
  FApi.daveDisconnectAdapter = [this](daveInterface* di) {
    calls.push_back("daveDisconnectAdapter(" + Name(di) + ")");
    return 0;
  };
  FApi.daveListReachablePartners = [this](daveInterface* di, char* buffer) {
    calls.push_back("daveListReachablePartners(" + Name(di) + ")");
    // A real bus lists idle addresses with a byte other than 0x30.
    std::memset(buffer, 0x10, 126);
    for (int address : answeringAddresses) buffer[address] = 0x30;
    return partnersFilled;
  };
  FApi.daveGetOrderCode = [this](daveConnection* dc, char* buffer) {
    calls.push_back("daveGetOrderCode(" + Name(dc) + ")");
    if (orderCodeResult != 0) return orderCodeResult;
    const std::size_t n = std::min<std::size_t>(orderCode.size(), 21);
    std::memcpy(buffer, orderCode.data(), n);
    buffer[n] = '\0';
    return 0;
  };
  FApi.daveReadSZL = [this](daveConnection* dc, int id, int index, void* buffer, int length) {
    calls.push_back("daveReadSZL(" + Name(dc) + "," + std::to_string(id) + "," +
                    std::to_string(index) + ")");
    const auto answer = szlAnswers.find(id);
    if (answer == szlAnswers.end()) return 0xD402;
    if (answer->second.result != 0) return answer->second.result;
    const std::size_t n =
        std::min<std::size_t>(answer->second.bytes.size(), static_cast<std::size_t>(length));
    std::memcpy(buffer, answer->second.bytes.data(), n);
    return 0;
  };
  FApi.daveFree = [this](void* object) {
    calls.push_back("daveFree(" + Name(object) + ")");
    if (object != nullptr && FLive.erase(object) == 0) ++doubleFrees;
  };
  FApi.daveGetOpenFailure = [this](daveFailure* failure) {
    *failure = openFailure;
    return 0;
  };
  FApi.daveGetInterfaceFailure = [this](daveInterface*, daveFailure* failure) {
    *failure = interfaceFailure;
    return 0;
  };
  FApi.daveGetConnectionFailure = [this](daveConnection*, daveFailure* failure) {
    *failure = connectionFailure;
    return 0;
  };
  // The single steps of a diagnosis go to the real library's refusals of
  // foreign handles; the diagnosis is tested against real peers.
  FApi.daveSetTimeout = [](daveInterface*, int) {};
  FApi.daveLookUpPeer = [](int, const char*, char*, int) { return -1; };
  FApi.daveOpenPLCLink = [](daveConnection*) { return daveResInvalidHandle; };
  FApi.daveSetupCommunication = [](daveConnection*, int*) { return daveResInvalidHandle; };
  FApi.daveFindRackSlot = [](int, const char*, int, int, int*, int*, daveRackSlotAttempt, void*) {
    return daveResTimeout;
  };
  FApi.daveStrerror = [this](int code) {
    const auto known = errorTexts.find(code);
    FErrorText = known != errorTexts.end()
                     ? known->second
                     : "no message defined for code " + std::to_string(code) + "!";
    return FErrorText.c_str();
  };
  // The order of the search is the library's, not a PLC's behaviour.
  FApi.daveRackSlotPair = ::daveRackSlotPair;
  FApi.sleepMs = [this](int milliseconds) {
    calls.push_back("sleepMs(" + std::to_string(milliseconds) + ")");
  };
  FPrevious = SetNoDaveApi(&FApi);
}

FakeNoDave::~FakeNoDave() {
  SetNoDaveApi(FPrevious);
}

std::string FakeNoDave::Name(const void* object) const {
  if (object == nullptr) return "null";
  const auto found = FNames.find(object);
  return found != FNames.end() ? found->second : "unknown";
}

void* FakeNoDave::Make(char prefix) {
  FObjects.push_back(std::make_unique<char>(prefix));
  void* object = FObjects.back().get();
  FNames[object] =
      prefix == 'I' ? "di" + std::to_string(++FInterfaces) : "dc" + std::to_string(++FConnections);
  FLive.insert(object);
  return object;
}

int FakeNoDave::OpenHandle() {
  const int handle = FNextHandle++;
  openHandles.insert(handle);
  return handle;
}

void FakeNoDave::Close(int handle) {
  if (openHandles.erase(handle) == 0) ++badCloses;
  closedHandles.push_back(handle);
}

BoxRecorder::BoxRecorder() {
  FPrevious = SetMessageBoxHandler(
      [this](const std::string& text, const std::string& caption, unsigned flags) {
        boxes.push_back({text, caption, flags});
        return answer;
      });
}

BoxRecorder::~BoxRecorder() {
  SetMessageBoxHandler(std::move(FPrevious));
}
