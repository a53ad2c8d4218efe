// The card's operations toward the PLC: opening and closing the interface per
// connection type, the reference-counted connection, the reachable bus
// partners and the order code. The library is reached only through NoDave().
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "Hw_Card.h"
#include "Localization.h"
#include "MessageBox.h"
#include "NoDaveApi.h"

namespace {

constexpr int kTypeMpiFirst = 0;
constexpr int kTypeMpiLast = 2;
constexpr int kTypePpi = 3;
constexpr int kTypeIsoTcp = 4;
constexpr int kTypeS7Online = 5;

// The PPI, ISO over TCP and S7ONLINE interfaces take this fixed speed code.
constexpr int kFixedSpeedCode = 1;
constexpr int kPauseAfterDisconnectMs = 100;
constexpr std::size_t kPartnerBufferSize = 126;
constexpr std::size_t kOrderCodeBufferSize = 22;
constexpr char kPartnerAnswers = 0x30;

bool IsSerialType(int type) {
  return type >= kTypeMpiFirst && type <= kTypePpi;
}
bool IsMpiType(int type) {
  return type >= kTypeMpiFirst && type <= kTypeMpiLast;
}

template <class Table>
bool IndexesInto(const Table& table, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < table.size();
}

void ShowOpenFailure(const std::string& text) {
  ShowMessageBox(text, Tr("Error"), MB_OK | MB_ICONERROR);
}

void ShowInvalidSetting(const char* key, int value) {
  ShowOpenFailure(
      FillIn(Tr("The setting %s=%d is not a valid choice, so no connection was opened."),
             {key, std::to_string(value)}));
}

// A setting that would index outside its table is refused before anything is
// opened, so the user sees which value is wrong instead of a port failure.
bool SettingsSelectKnownChoices(const TConfigInfo& settings) {
  const int type = settings.Connectiontype;
  if (!IndexesInto(ConnectionTypes, type)) {
    ShowInvalidSetting("Connectiontype", type);
    return false;
  }
  if (IsSerialType(type) && !IndexesInto(SerialBaudRates, settings.Baudrate)) {
    ShowInvalidSetting("Baudrate", settings.Baudrate);
    return false;
  }
  if (IsMpiType(type) && !IndexesInto(ProfibusSpeeds, settings.ProfibusSpeedIndex)) {
    ShowInvalidSetting("ProfibusSpeedIndex", settings.ProfibusSpeedIndex);
    return false;
  }
  return true;
}

std::string SerialPortName(const TConfigInfo& settings) {
  return "COM" + std::to_string(settings.Comport);
}

// The program has no main window; a widget that has a native window hands
// its id to the access point, otherwise 0.
std::uintptr_t WindowHandleOf(const QWidget* application) {
  return application != nullptr ? static_cast<std::uintptr_t>(application->effectiveWinId()) : 0;
}

}  // namespace

bool TCard::OpenPort(const TConfigInfo& settings) {
  const TNoDaveApi& api = NoDave();
  const int type = settings.Connectiontype;
  int handle = -1;
  if (IsSerialType(type)) {
    const char parity = IsMpiType(type) ? 'O' : 'E';
    handle = api.setPort(SerialPortName(settings).c_str(),
                         SerialBaudRates[static_cast<std::size_t>(settings.Baudrate)], parity);
    // An MPI port that failed to open is left to the adapter initialisation,
    // which reports it with the library's own text.
    if (handle < 0 && type == kTypePpi) {
      ShowOpenFailure(FillIn(Tr("Could not open the serial interface \"COM%d\""),
                             {std::to_string(settings.Comport)}));
      return false;
    }
  } else if (type == kTypeIsoTcp) {
    handle = api.openSocket(settings.IPPort, settings.IPAddress.c_str());
    if (handle < 0) {
      ShowOpenFailure(FillIn(Tr("Could not open the port %d"), {std::to_string(settings.IPPort)}));
      return false;
    }
  } else {
    handle = api.openS7online("S7ONLINE", WindowHandleOf(FApplication));
    if (handle < 0) {
      ShowOpenFailure(Tr("Could not open the virtual connection to \"S7ONLINE\""));
      return false;
    }
  }
  FPort = {handle, handle};
  FOpenedType = type;
  return true;
}

void TCard::ClosePort() {
  const int handle = FPort.rfd;
  const int type = FOpenedType;
  FOpenedType = -1;
  // -1 marks a port that never opened (MPI types pass it on to the adapter).
  if (handle < 0) return;
  if (type == kTypeS7Online)
    NoDave().closeS7online(handle);
  else if (type >= kTypeMpiFirst && type <= kTypeIsoTcp)
    NoDave().closePort(handle);
}

bool TCard::OpenInterface(const TConfigInfo& settings, daveInterface*& place) {
  if (!SettingsSelectKnownChoices(settings) || !OpenPort(settings)) return false;

  const TNoDaveApi& api = NoDave();
  const int type = settings.Connectiontype;
  const int protocol = ConnectionTypes[static_cast<std::size_t>(type)].Code;
  if (IsMpiType(type)) {
    const int speed = ProfibusSpeeds[static_cast<std::size_t>(settings.ProfibusSpeedIndex)].Code;
    place = api.daveNewInterface(FPort, "IF1", settings.LocalMPI, protocol, speed);
  } else if (type == kTypePpi) {
    place = api.daveNewInterface(FPort, "IF1", settings.LocalPPI, protocol, kFixedSpeedCode);
  } else {
    place = api.daveNewInterface(FPort, "IF1", 0, protocol, kFixedSpeedCode);
  }

  const int result = api.daveInitAdapter(place);
  if (result != 0) {
    ReportError("", result);
    api.daveFree(place);
    place = nullptr;
    ClosePort();
    return false;
  }
  return true;
}

void TCard::CloseInterface(daveInterface* interface) {
  const TNoDaveApi& api = NoDave();
  api.daveDisconnectAdapter(interface);
  ClosePort();
  api.daveFree(interface);
}

bool TCard::Connect(const TConfigInfo& settings) {
  bool result = FConnectCount > 0;
  if (FConnectCount == 0 && OpenInterface(settings, FInterface)) {
    const TNoDaveApi& api = NoDave();
    FConnection =
        settings.Connectiontype == kTypePpi
            ? api.daveNewConnection(FInterface, settings.RemotePPI, 0, 0)
            : api.daveNewConnection(FInterface, settings.RemoteMPI, settings.Rack, settings.Slot);
    const int code = api.daveConnectPLC(FConnection);
    if (code != 0) {
      ReportError("", code);
      api.daveFree(FConnection);
      FConnection = nullptr;
      CloseInterface(FInterface);
      FInterface = nullptr;
      return false;
    }
    FChannels->BuildGroups();
    result = true;
  }
  if (result) ++FConnectCount;
  return result;
}

void TCard::ReleaseConnection() {
  const TNoDaveApi& api = NoDave();
  api.daveDisconnectPLC(FConnection);
  api.daveFree(FConnection);
  FConnection = nullptr;
  CloseInterface(FInterface);
  FInterface = nullptr;
  FChannels->ReleaseGroups();
}

void TCard::Disconnect() {
  if (FConnectCount == 1) {
    ReleaseConnection();
    NoDave().sleepMs(kPauseAfterDisconnectMs);
  }
  if (FConnectCount > 0) --FConnectCount;
}

void TCard::ListPartners(const TConfigInfo& settings, TIntegerList& list) {
  // The listing opens its own port on the card's port fields; a connection
  // held meanwhile keeps its own port and closes it later the way it opened.
  const _daveOSserialType heldPort = FPort;
  const int heldType = FOpenedType;

  daveInterface* interface = nullptr;
  if (OpenInterface(settings, interface)) {
    std::array<char, kPartnerBufferSize> buffer{};
    const int filled = NoDave().daveListReachablePartners(interface, buffer.data());
    list.FreeAll();
    const int entries = std::min(filled, static_cast<int>(buffer.size()));
    for (int address = 0; address < entries; ++address)
      if (buffer[static_cast<std::size_t>(address)] == kPartnerAnswers) list.Add(address);
    CloseInterface(interface);
  }

  FPort = heldPort;
  FOpenedType = heldType;
}

std::string TCard::ReadOrderCode(const TConfigInfo& settings) {
  std::string text;
  std::array<char, kOrderCodeBufferSize> buffer{};
  if (Connect(settings)) {
    NoDave().daveGetOrderCode(FConnection, buffer.data());
    text = "Order Code:" + std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
    Disconnect();
  }
  return text;
}
