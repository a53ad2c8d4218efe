#pragma once
// The driver folder, a folder above it or a library in it is not trusted
// (DriverTrust.h).
#include "app/DriverSearchError.h"
#include "support/TrustedPath.h"

// The text names the path, the reason and the fix; nothing was loaded.
class EUntrustedDriverError : public EDriverSearchError {
 public:
  explicit EUntrustedDriverError(const TDistrustedPath& untrusted);
};
