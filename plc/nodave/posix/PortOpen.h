#pragma once
// Platform side of setPort, openSocket and closePort.

namespace nodave {

int OpenTcp(int port, const char* peer);
int OpenSerial(const char* name, const char* baud, int parity);
int ClosePort(int handle);
void SetConnectTimeoutMs(int ms);

}  // namespace nodave
