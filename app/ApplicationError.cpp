#include "app/ApplicationError.h"

#include "support/MessageBox.h"
#include "support/VNErrors.h"

namespace {
constexpr std::string_view kOtherKind = "Exception";
constexpr std::string_view kUnknownMessage = "Unbekannter Fehler";

bool NeedsFullStop(std::string_view message) {
  return !message.empty() && static_cast<unsigned char>(message.back()) > '.';
}
}  // namespace

std::string ApplicationErrorText(std::string_view kind, std::string_view module,
                                 std::string_view message) {
  std::string text = "Exception ";
  text.append(kind).append(" in Modul ").append(module).append(".\n").append(message);
  if (NeedsFullStop(message)) text += '.';
  return text;
}

std::string ApplicationErrorText(const std::exception& error, std::string_view module) {
  const auto* own = dynamic_cast<const EVNError*>(&error);
  return ApplicationErrorText(own ? ErrorClassName(own->Kind()) : kOtherKind, module, error.what());
}

namespace {
void ShowApplicationErrorText(const std::string& text) {
  ShowMessageBox(text, kApplicationErrorCaption, MB_OK | MB_ICONERROR | MB_TASKMODAL);
}
}  // namespace

void ShowApplicationError(const std::exception* error, std::string_view module) {
  ShowApplicationErrorText(error ? ApplicationErrorText(*error, module)
                                 : ApplicationErrorText(kOtherKind, module, kUnknownMessage));
}

void ShowApplicationError(const TResult& failure, std::string_view module) {
  ShowApplicationErrorText(
      ApplicationErrorText(ErrorClassName(failure.Kind), module, failure.Message));
}
