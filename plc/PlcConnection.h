#pragma once
// One way to the PLC: the port (serial port, socket or access point), the
// S7 library's interface on it and the connection to the PLC. They are
// opened in this order and closed in the reverse one, at the latest when the
// object goes, so no failure and no exception can leave a port open.
#include <cstdint>
#include <optional>
#include <string>

#include "CardResult.h"
#include "ConnectionType.h"
#include "HW_ConfigInfo.h"
#include "nodave/nodave.h"

class TPlcConnection {
 public:
  // windowHandle: the application's window, which the access point gets.
  explicit TPlcConnection(std::uintptr_t windowHandle) : FWindowHandle(windowHandle) {}
  ~TPlcConnection() { Close(); }
  TPlcConnection(const TPlcConnection&) = delete;
  TPlcConnection& operator=(const TPlcConnection&) = delete;

  // Refuses settings outside their tables before anything is opened, then
  // opens the port and initialises the adapter. On failure nothing is open.
  TCardResult OpenInterface(const TConfigInfo& settings);
  // The same over a socket already connected to the address and port of
  // settings (ISO over TCP; a scan's probe made it), so that the PLC sees no
  // second connection. The socket is this object's from now on: closed with
  // the rest, and at once on failure.
  TCardResult OpenInterfaceOn(const TConfigInfo& settings, int connectedSocket);
  // Over the open interface: connects to the PLC the settings address. On
  // failure nothing is open.
  TCardResult ConnectPlc(const TConfigInfo& settings);
  // Disconnects the PLC and the adapter, closes the port and frees the
  // library's objects; what never opened is left alone. Again: nothing.
  void Close();

  daveInterface* Interface() const { return FInterface; }
  daveConnection* Connection() const { return FConnection; }

 private:
  TCardResult OpenPort(const TConfigInfo& settings, TConnectionType type);
  void ClosePort();

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
};

// A failure of the S7 library: "Error:" and the library's text for code (the
// connection hint where the library has none), after text when text is not
// empty; caption "Fehler". code 0 with an empty text is success.
TCardResult LibraryFailure(int code, const std::string& text = {});
