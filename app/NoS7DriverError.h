#pragma once
// The configurator's own failure: no S7 driver to configure.
#include <string>

#include "app/DriverSearchError.h"

// No driver library in the searched folder describes itself as S7 driver.
class ENoS7DriverError : public EDriverSearchError {
 public:
  explicit ENoS7DriverError(const std::string& driverFolder);
  const std::string& DriverFolder() const { return FDriverFolder; }

 private:
  std::string FDriverFolder;
};
