#pragma once
// The driver folder yields no driver to configure; the text says why. The
// front ends show it in an error box or on standard error, not as a fault
// of the program.
#include "support/VNErrors.h"

class EDriverSearchError : public EVNError {
 public:
  explicit EDriverSearchError(const std::string& message, TFailure kind = TFailure::DriverSearch)
      : EVNError(message, kind) {}
};
