#pragma once
// The card's base: the settings record, the library handles and the error
// reporting.
#include <cstdint>
#include <memory>
#include <string>

#include "HW_ConfigInfo.h"
#include "nodave/nodave.h"

class TCardIF {
 public:
  // windowHandle: the application's window (0: none). configFileName: the
  // path of the driver's configuration file.
  TCardIF(std::uintptr_t windowHandle, const std::string& configFileName);
  TCardIF(const TCardIF&) = delete;
  TCardIF& operator=(const TCardIF&) = delete;
  virtual ~TCardIF();

  // Shows "Error:" and the library's text for code (or the connection hint
  // when the library has none), after text when text is not empty; caption
  // "Fehler". code 0 with an empty text shows nothing.
  void ReportError(const std::string& text, int code);

  TConfigInfo& Config() { return *FConfig; }
  const TConfigInfo& Config() const { return *FConfig; }

 protected:
  std::uintptr_t FWindowHandle;
  daveConnection* FConnection = nullptr;
  daveInterface* FInterface = nullptr;
  _daveOSserialType FPort{0, 0};
  std::unique_ptr<TConfigInfo> FConfig;
};
