#pragma once
// Keeping the detail of a failure (daveFailure in nodave.h): what the
// protocol code knows when a call fails - the step, the result code and
// what it says about the peer's answer - and what the port was opened on.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "plc/nodave/Types.h"

namespace nodave {

// Copies text into a fixed field, cut to fit and always terminated.
template <std::size_t N>
void SetField(char (&field)[N], std::string_view text) {
  const std::size_t n = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

// An empty detail: nothing failed.
daveFailure NoFailure();

// What the port of an interface was opened on: the address (TCP) or the
// device and speed (serial). Kept by setPort/openSocket per descriptor.
struct PortOrigin {
  char address[daveFailureAddressSize] = {};
  char device[daveFailureDeviceSize] = {};
  char speed[16] = {};
};

// A detail for step and result on a port opened on origin: the result code
// is sorted into the fields that explain it (PLC error class and code, item
// return code, COTP disconnect reason).
daveFailure MakeFailure(int step, int result, const PortOrigin& origin);

// Whether a result is a follow-up of an earlier failure rather than a cause.
bool IsFollowUp(int result);

// The origin of descriptor fd as setPort/openSocket left it (empty when it
// was opened elsewhere), and the bookkeeping behind it.
PortOrigin OriginOf(int fd);
void RememberOrigin(int fd, const PortOrigin& origin);
void ForgetOrigin(int fd);

// The detail of the calling thread's last setPort/openSocket.
daveFailure& OpenFailure();

}  // namespace nodave
