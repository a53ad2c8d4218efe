#pragma once
// Platform side of setPort, openSocket and closePort.
#include <string>

namespace nodave {

int OpenTcp(int port, const char* peer);
// OpenTcp with its own time limit instead of the connect time-out.
int OpenTcpWithin(int port, const char* peer, int milliseconds);
int OpenSerial(const char* name, const char* baud, int parity);
int ClosePort(int handle);
void SetConnectTimeoutMs(int ms);
int ConnectTimeoutMs();

// The first TCP address of peer as numeric text, looked up within the
// connect time-out. 0, or -1 with the open failure recorded.
int LookUpNumeric(int port, const char* peer, std::string& numeric);

}  // namespace nodave
