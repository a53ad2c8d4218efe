#pragma once
// What the system tells about a serial device that could not be opened, for
// the failure detail: who may open it, and which adapters exist instead.
#include <string>

#include "plc/nodave/Types.h"

namespace nodave {

// Fills the detail of a failed open of path with error err: for a missing
// device the adapters listed in /dev/serial/by-id, for a refused one the
// group that owns the device.
void AddDeviceFacts(const std::string& path, int err, daveFailure& failure);

// Takes an exclusive advisory lock on an opened device, so that two programs
// do not talk through one adapter at once. false (errno EBUSY) when another
// program holds it.
bool LockDevice(int fd);

}  // namespace nodave
