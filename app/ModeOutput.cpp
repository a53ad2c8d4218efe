#include "app/ModeOutput.h"

#include <iostream>
#include <utility>

#include "app/ExitCodes.h"
#include "support/MessageBox.h"
#include "support/Translation.h"

namespace {

// A run is one mode of one process: what it printed is the process's.
struct TPrinted {
  std::string Messages;
  bool Document = false;
};
TPrinted& Printed() {
  static TPrinted printed;
  return printed;
}

}  // namespace

void PrintResult(std::string_view line) {
  std::cout << Shown(line) << '\n';
}

void PrintDocument(std::string_view document) {
  std::cout << document;
  Printed().Document = true;
}

void PrintMessage(std::string_view text) {
  const std::string plain = WithPlainLineBreaks(text);
  std::cerr << TerminalText(plain, true) << '\n';
  std::string& messages = Printed().Messages;
  if (!messages.empty()) messages += '\n';
  messages += plain;
}

const std::string& PrintedMessages() {
  return Printed().Messages;
}

bool DocumentPrinted() {
  return Printed().Document;
}

TResult UsageError(std::string message) {
  return TResult::Failure(TFailure::Usage, std::move(message));
}

TResult RefusedValue(std::string message) {
  return TResult::Failure(TFailure::Value, std::move(message));
}

int ExitCodeOf(const TResult& result) {
  if (result) return kExitSuccess;
  const bool usage = result.Kind == TFailure::Usage || result.Kind == TFailure::Value;
  return usage ? kExitUsage : kExitFailure;
}

bool Reported(const TResult& result) {
  if (!result) PrintMessage(result.Text());
  return result.Ok();
}

std::string OutOfRangeText(std::string_view value, std::string_view name, std::int32_t min,
                           std::int32_t max) {
  return FillIn(Tr("The value \"%s\" of %s is refused: allowed are the whole numbers %d to %d."),
                {Shown(value), name, std::to_string(min), std::to_string(max)});
}
