#pragma once
// The driver folder or a library in it is not trusted (DriverTrust.h).
#include "DriverSearchError.h"
#include "DriverTrust.h"

// The text names the path, the reason and the fix; nothing was loaded.
class EUntrustedDriverError : public EDriverSearchError {
 public:
  explicit EUntrustedDriverError(const TUntrustedDriver& untrusted);
  const char* Kind() const noexcept override { return "EUntrustedDriverError"; }
};
