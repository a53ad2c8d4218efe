#include "HW_CardIF.h"

#include "Localization.h"
#include "MessageBox.h"
#include "NoDaveApi.h"

TCardIF::TCardIF(std::uintptr_t windowHandle, const std::string& configFileName)
    : FWindowHandle(windowHandle), FConfig(std::make_unique<TConfigInfo>(configFileName)) {}

TCardIF::~TCardIF() = default;

void TCardIF::ReportError(const std::string& text, int code) {
  if (code == 0 && text.empty()) return;

  std::string message;
  if (code != 0) {
    const char* libraryText = NoDave().daveStrerror(code);
    std::string reason = libraryText != nullptr ? libraryText : "";
    // The library has a text for every code it produces itself; anything else
    // (a PLC or adapter number it does not know) would show a placeholder.
    if (libraryText == nullptr || reason.find("no message defined") != std::string::npos)
      reason = Tr("Could not establish connection with these parameters.");
    message = Tr("Error:") + " " + reason;
  }
  if (!text.empty()) message = code != 0 ? text + "\n" + message : text;

  // The toolkit's own caption for errors, which is German and not translated.
  ShowMessageBox(message, "Fehler", MB_OK | MB_ICONERROR);
}
