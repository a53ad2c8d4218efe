// Opening and closing the way to the PLC per connection type. The library
// is reached only through NoDave().
#include "plc/PlcConnection.h"

#include <cerrno>
#include <utility>

#include "config/SettingsCheck.h"
#include "plc/FailureCause.h"
#include "plc/NoDaveApi.h"
#include "support/Translation.h"

namespace {

// The PPI, ISO over TCP and S7ONLINE interfaces take this fixed speed code.
constexpr int kFixedSpeedCode = 1;

// A port, socket or setting the card refuses itself, in its own words.
TResult OpenFailure(const std::string& text) {
  return TResult::Failure(TFailure::Refused, text);
}

std::string SerialPortName(const TConfigInfo& settings) {
  return "COM" + std::to_string(settings.Comport);
}

}  // namespace

TResult LibraryFailure(int code, const std::string& text) {
  if (code == 0 && text.empty()) return {};

  std::string message;
  if (code != 0) {
    const char* libraryText = NoDave().daveStrerror(code);
    std::string reason = libraryText != nullptr ? libraryText : "";
    // The library has a text for every code it produces itself; anything else
    // (a PLC or adapter number it does not know) would show a placeholder.
    // Its texts are catalogue texts, shown in the user's language.
    if (libraryText == nullptr || reason.find("no message defined") != std::string::npos)
      reason = Tr("Could not establish connection with these parameters.");
    else
      reason = Tr(libraryText);
    message = Tr("Error:") + " " + reason;
  }
  if (!text.empty()) message = code != 0 ? text + "\n" + message : text;
  return TResult::Failure(TFailure::Library, message, code);
}

TResult LibraryFailure(int code, const daveFailure& failure) {
  // An open failure has no result code of its own (-1).
  const bool recorded = failure.step != daveStepNone && failure.result != 0 && failure.result != -1;
  return WithCause(LibraryFailure(recorded ? failure.result : code), failure);
}

TResult TPlcConnection::InterfaceFailed(int code) const {
  daveFailure failure{};
  NoDave().daveGetInterfaceFailure(FInterface, &failure);
  return LibraryFailure(code, failure);
}

TResult TPlcConnection::ConnectionFailed(int code) const {
  daveFailure failure{};
  NoDave().daveGetConnectionFailure(FConnection, &failure);
  return LibraryFailure(code, failure);
}

TResult TPlcConnection::OpenPort(const TConfigInfo& settings, TConnectionType type,
                                 bool portMustOpen) {
  const TNoDaveApi& api = NoDave();
  int handle = -1;
  FOpenFailure = daveFailure{};
  if (IsSerial(type)) {
    handle = api.setPort(SerialPortName(settings).c_str(),
                         SerialBaudRates[static_cast<std::size_t>(settings.Baudrate)],
                         TraitsOf(type).Parity);
    if (handle < 0) api.daveGetOpenFailure(&FOpenFailure);
    // An MPI port that failed to open is left to the adapter initialisation,
    // which reports it with the library's own text.
    if (handle < 0 && (type == TConnectionType::Ppi || portMustOpen)) {
      return WithCause(OpenFailure(FillIn(Tr("Could not open the serial interface \"COM%d\""),
                                          {std::to_string(settings.Comport)})),
                       FOpenFailure);
    }
  } else if (type == TConnectionType::IsoTcp) {
    const TSocketOpened opened = api.openSocket(settings.IPPort, settings.IPAddress.c_str());
    handle = opened.Handle;
    if (handle < 0) {
      daveFailure failure{};
      api.daveGetOpenFailure(&failure);
      // A name that could not be looked up is no fault of the port.
      return WithCause(
          OpenFailure(
              opened.Error == ENOENT
                  ? FillIn(Tr("Could not resolve the host name \"%s\""), {settings.IPAddress})
                  : FillIn(Tr("Could not open the port %d"), {std::to_string(settings.IPPort)})),
          failure);
    }
  } else {
    handle = api.openS7online("S7ONLINE", FWindowHandle);
    if (handle < 0) {
      daveFailure failure{};
      api.daveGetOpenFailure(&failure);
      return WithCause(OpenFailure(Tr("Could not open the virtual connection to \"S7ONLINE\"")),
                       failure);
    }
  }
  FPort = handle;
  FPortType = type;
  return {};
}

void TPlcConnection::ClosePort() {
  const int handle = std::exchange(FPort, -1);
  const std::optional<TConnectionType> type = std::exchange(FPortType, std::nullopt);
  if (handle < 0 || !type) return;
  if (type == TConnectionType::S7Online)
    NoDave().closeS7online(handle);
  else
    NoDave().closePort(handle);
}

TResult TPlcConnection::OpenInterface(const TConfigInfo& settings) {
  if (TResult opened = OpenDevice(settings); !opened) return opened;
  return StartAdapter(settings);
}

TResult TPlcConnection::OpenInterfaceOn(const TConfigInfo& settings, int connectedSocket) {
  // The connection owns the socket from here on, also when it fails.
  if (connectedSocket >= 0) {
    FPort = connectedSocket;
    FPortType = TConnectionType::IsoTcp;
  }
  if (TResult opened = OpenDevice(settings); !opened) return opened;
  return StartAdapter(settings);
}

TResult TPlcConnection::OpenDevice(const TConfigInfo& settings, bool portMustOpen) {
  // A setting that would index outside its table is refused before anything
  // is opened, so the user sees which value is wrong instead of a port failure.
  if (const auto refused = CheckSettings(settings, TSettingsScope::Connection)) {
    ClosePort();
    return OpenFailure(
        FillIn(Tr("The setting %s=%d is not a valid choice, so no connection was opened."),
               {refused->Key, refused->Value}));
  }
  const TConnectionType type = *ConnectionTypeOf(settings.Connectiontype);
  // A socket given for another type than ISO over TCP is of no use to it.
  if (FPortType && FPortType != type) ClosePort();
  if (FPort >= 0) return {};
  return OpenPort(settings, type, portMustOpen);
}

TResult TPlcConnection::StartAdapter(const TConfigInfo& settings) {
  const TNoDaveApi& api = NoDave();
  const TConnectionType type = *ConnectionTypeOf(settings.Connectiontype);
  const _daveOSserialType port{FPort, FPort};
  const int protocol = ConnectionTypes[static_cast<std::size_t>(IndexOf(type))].Code;
  if (IsMpi(type)) {
    const int speed = ProfibusSpeeds[static_cast<std::size_t>(settings.ProfibusSpeedIndex)].Code;
    FInterface = api.daveNewInterface(port, "IF1", settings.LocalMPI, protocol, speed);
  } else if (type == TConnectionType::Ppi) {
    FInterface = api.daveNewInterface(port, "IF1", settings.LocalPPI, protocol, kFixedSpeedCode);
  } else {
    FInterface = api.daveNewInterface(port, "IF1", 0, protocol, kFixedSpeedCode);
  }
  if (FAnswerTimeoutUs) api.daveSetTimeout(FInterface, *FAnswerTimeoutUs);

  const int code = api.daveInitAdapter(FInterface);
  if (code != 0) {
    // A port that never opened is the cause, not the adapter behind it.
    TResult failed = FOpenFailure.step != daveStepNone ? LibraryFailure(code, FOpenFailure)
                                                       : InterfaceFailed(code);
    Close();
    return failed;
  }
  FAdapterReady = true;
  return {};
}

void TPlcConnection::LimitAnswerTime(int microseconds) {
  FAnswerTimeoutUs = microseconds;
  if (FInterface != nullptr) NoDave().daveSetTimeout(FInterface, microseconds);
}

void TPlcConnection::NewConnection(const TConfigInfo& settings) {
  const TNoDaveApi& api = NoDave();
  FConnection =
      ConnectionTypeOf(settings.Connectiontype) == TConnectionType::Ppi
          ? api.daveNewConnection(FInterface, settings.RemotePPI, 0, 0)
          : api.daveNewConnection(FInterface, settings.RemoteMPI, settings.Rack, settings.Slot);
}

TResult TPlcConnection::ConnectPlc(const TConfigInfo& settings) {
  NewConnection(settings);
  return Connected(NoDave().daveConnectPLC(FConnection));
}

TResult TPlcConnection::OpenLink(const TConfigInfo& settings) {
  NewConnection(settings);
  return Connected(NoDave().daveOpenPLCLink(FConnection));
}

TResult TPlcConnection::SetUp(int& pduLength) {
  const int code = NoDave().daveSetupCommunication(FConnection, &pduLength);
  // The library closed the link on failure: nothing left to disconnect.
  if (code != 0) FPlcConnected = false;
  return Connected(code);
}

TResult TPlcConnection::Connected(int code) {
  if (code != 0) {
    TResult failed = ConnectionFailed(code);
    Close();
    return failed;
  }
  FPlcConnected = true;
  return {};
}

void TPlcConnection::Close() {
  const TNoDaveApi& api = NoDave();
  if (FConnection != nullptr) {
    if (std::exchange(FPlcConnected, false)) api.daveDisconnectPLC(FConnection);
    api.daveFree(std::exchange(FConnection, nullptr));
  }
  if (FInterface == nullptr) {
    ClosePort();
    return;
  }
  // An adapter that never answered is freed before its port closes; one that
  // did is disconnected first and freed last.
  if (std::exchange(FAdapterReady, false)) {
    api.daveDisconnectAdapter(FInterface);
    ClosePort();
    api.daveFree(std::exchange(FInterface, nullptr));
  } else {
    api.daveFree(std::exchange(FInterface, nullptr));
    ClosePort();
  }
}
