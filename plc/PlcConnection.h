#pragma once
// One way to the PLC: the port (serial port, socket or access point), the
// S7 library's interface on it and the connection to the PLC. They are
// opened in this order and closed in the reverse one, at the latest when the
// object goes, so no failure and no exception can leave a port open.
#include <cstdint>
#include <optional>
#include <string>

#include "config/ConnectionType.h"
#include "config/HW_ConfigInfo.h"
#include "plc/nodave/nodave.h"
#include "support/Result.h"

class TPlcConnection {
 public:
  // windowHandle: the application's window, which the access point gets.
  explicit TPlcConnection(std::uintptr_t windowHandle) : FWindowHandle(windowHandle) {}
  ~TPlcConnection() { Close(); }
  TPlcConnection(const TPlcConnection&) = delete;
  TPlcConnection& operator=(const TPlcConnection&) = delete;

  // Refuses settings outside their tables before anything is opened, then
  // opens the port and initialises the adapter. On failure nothing is open.
  TResult OpenInterface(const TConfigInfo& settings);
  // The same over a socket already connected to the address and port of
  // settings (ISO over TCP; a scan's probe made it), so that the PLC sees no
  // second connection. The socket is this object's from now on: closed with
  // the rest, and at once on failure.
  TResult OpenInterfaceOn(const TConfigInfo& settings, int connectedSocket);
  // Over the open interface: connects to the PLC the settings address. On
  // failure nothing is open.
  TResult ConnectPlc(const TConfigInfo& settings);
  // The same in single steps, for a diagnosis: OpenInterface is OpenDevice
  // and StartAdapter; ConnectPlc is OpenLink (ISO over TCP: the connection
  // request to rack and slot) and SetUp, which gives the negotiated PDU
  // size. Each closes everything on failure.
  // portMustOpen: an MPI port that does not open is a failure here rather
  // than left to the adapter.
  TResult OpenDevice(const TConfigInfo& settings, bool portMustOpen = false);
  TResult StartAdapter(const TConfigInfo& settings);
  TResult OpenLink(const TConfigInfo& settings);
  TResult SetUp(int& pduLength);
  // The answer time-out of the interface (the library's default otherwise),
  // from now on and for an interface made later.
  void LimitAnswerTime(int microseconds);
  // Disconnects the PLC and the adapter, closes the port and frees the
  // library's objects; what never opened is left alone. Again: nothing.
  void Close();

  daveInterface* Interface() const { return FInterface; }
  daveConnection* Connection() const { return FConnection; }

  // A failed call on the interface or the connection, as LibraryFailure
  // words it, with the first failure the library recorded for the attempt.
  TResult InterfaceFailed(int code) const;
  TResult ConnectionFailed(int code) const;

 private:
  TResult OpenPort(const TConfigInfo& settings, TConnectionType type, bool portMustOpen);
  void ClosePort();
  void NewConnection(const TConfigInfo& settings);
  // Marks the PLC link open, or on failure closes everything and says why.
  TResult Connected(int code);

  std::uintptr_t FWindowHandle;
  // -1 marks a port that did not open (the MPI types pass it on to the
  // adapter, which reports it); it is never closed.
  int FPort = -1;
  // The type the port was opened with, so that it is closed the same way.
  std::optional<TConnectionType> FPortType;
  daveInterface* FInterface = nullptr;
  bool FAdapterReady = false;
  daveConnection* FConnection = nullptr;
  bool FPlcConnected = false;
  // Why the serial port did not open: an MPI adapter on it reports only
  // that it has no port, so the device's detail is kept for it.
  daveFailure FOpenFailure{};
  std::optional<int> FAnswerTimeoutUs;
};

// A failure of the S7 library: "Error:" and the library's text for code (the
// connection hint where the library has none), after text when text is not
// empty. code 0 with an empty text is success.
TResult LibraryFailure(int code, const std::string& text = {});
// The same for a failure the library recorded: the message names the first
// failure of the attempt (a follow-up such as "not connected" gives way to
// the failure it follows), and the cause line says why.
TResult LibraryFailure(int code, const daveFailure& failure);
