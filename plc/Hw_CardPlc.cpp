// The card's operations toward the PLC: opening and closing the interface per
// connection type, the reference-counted connection, the reachable bus
// partners and the order code. The library is reached only through NoDave().
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "Hw_Card.h"
#include "Localization.h"
#include "MessageBox.h"
#include "NoDaveApi.h"
#include "SettingsCheck.h"

namespace {

// The PPI, ISO over TCP and S7ONLINE interfaces take this fixed speed code.
constexpr int kFixedSpeedCode = 1;
constexpr int kPauseAfterDisconnectMs = 100;
constexpr std::size_t kPartnerBufferSize = 126;
constexpr std::size_t kOrderCodeBufferSize = 22;
constexpr char kPartnerAnswers = 0x30;
// Room for the largest list read for the identity: ten component records of
// 34 bytes behind the 8-byte header, with space to spare.
constexpr std::size_t kSzlBufferSize = 1024;

void ShowOpenFailure(const std::string& text) {
  ShowMessageBox(text, Tr("Error"), MB_OK | MB_ICONERROR);
}

// A setting that would index outside its table is refused before anything is
// opened, so the user sees which value is wrong instead of a port failure.
bool SettingsSelectKnownChoices(const TConfigInfo& settings) {
  const auto refused = CheckSettings(settings, TSettingsScope::Connection);
  if (!refused) return true;
  ShowOpenFailure(
      FillIn(Tr("The setting %s=%d is not a valid choice, so no connection was opened."),
             {refused->Key, refused->Value}));
  return false;
}

std::string SerialPortName(const TConfigInfo& settings) {
  return "COM" + std::to_string(settings.Comport);
}

}  // namespace

bool TCard::OpenPort(const TConfigInfo& settings) {
  const TNoDaveApi& api = NoDave();
  // Checked by SettingsSelectKnownChoices.
  const TConnectionType type = *ConnectionTypeOf(settings.Connectiontype);
  int handle = -1;
  if (IsSerial(type)) {
    handle = api.setPort(SerialPortName(settings).c_str(),
                         SerialBaudRates[static_cast<std::size_t>(settings.Baudrate)],
                         TraitsOf(type).Parity);
    // An MPI port that failed to open is left to the adapter initialisation,
    // which reports it with the library's own text.
    if (handle < 0 && type == TConnectionType::Ppi) {
      ShowOpenFailure(FillIn(Tr("Could not open the serial interface \"COM%d\""),
                             {std::to_string(settings.Comport)}));
      return false;
    }
  } else if (type == TConnectionType::IsoTcp) {
    handle = api.openSocket(settings.IPPort, settings.IPAddress.c_str());
    if (handle < 0) {
      // A name that could not be looked up is no fault of the port.
      ShowOpenFailure(
          errno == ENOENT
              ? FillIn(Tr("Could not resolve the host name \"%s\""), {settings.IPAddress})
              : FillIn(Tr("Could not open the port %d"), {std::to_string(settings.IPPort)}));
      return false;
    }
  } else {
    handle = api.openS7online("S7ONLINE", FWindowHandle);
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
  const std::optional<TConnectionType> type = std::exchange(FOpenedType, std::nullopt);
  // -1 marks a port that never opened (MPI types pass it on to the adapter).
  if (handle < 0 || !type) return;
  if (type == TConnectionType::S7Online)
    NoDave().closeS7online(handle);
  else
    NoDave().closePort(handle);
}

bool TCard::OpenInterface(const TConfigInfo& settings, daveInterface*& place) {
  if (!SettingsSelectKnownChoices(settings) || !OpenPort(settings)) return false;

  const TNoDaveApi& api = NoDave();
  const TConnectionType type = *ConnectionTypeOf(settings.Connectiontype);
  const int protocol = ConnectionTypes[static_cast<std::size_t>(IndexOf(type))].Code;
  if (IsMpi(type)) {
    const int speed = ProfibusSpeeds[static_cast<std::size_t>(settings.ProfibusSpeedIndex)].Code;
    place = api.daveNewInterface(FPort, "IF1", settings.LocalMPI, protocol, speed);
  } else if (type == TConnectionType::Ppi) {
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
        ConnectionTypeOf(settings.Connectiontype) == TConnectionType::Ppi
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
    Channels().BuildGroups();
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
  if (FChannels) FChannels->ReleaseGroups();
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
  const std::optional<TConnectionType> heldType = FOpenedType;

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

bool TCard::ReadIdentity(TPlcIdentity& identity) {
  struct TIdentityList {
    int Id;
    void (*Take)(std::span<const std::uint8_t> list, TPlcIdentity& identity);
  };
  constexpr std::array<TIdentityList, 3> lists{{
      {kSzlComponentIdentification, TakeComponentIdentification},
      {kSzlModuleIdentification, TakeModuleIdentification},
      {kSzlCurrentModeTransition, TakeModeTransition},
  }};
  std::array<std::uint8_t, kSzlBufferSize> buffer{};
  for (const TIdentityList& list : lists) {
    const int code = NoDave().daveReadSZL(FConnection, list.Id, 0, buffer.data(),
                                          static_cast<int>(buffer.size()));
    // A positive code is the PLC's refusal of this list (an S7-1200 refuses
    // the component identification): the others may still answer.
    if (code > 0) continue;
    if (code < 0) {
      ReportError("", code);
      return false;
    }
    list.Take(buffer, identity);
  }
  return true;
}
