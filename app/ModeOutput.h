#pragma once
// What the command line's modes share: how results and messages are
// printed, how a card result decides the exit code, and the refusals that
// end a run with exit code 2.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "Result.h"
#include "TextCodec.h"  // AsUserText, Shown, TerminalText

// The command line cannot be used as given: exit 2.
class EUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// A value the settings cannot take: exit 2 as well, but the options were
// fine, so no pointer to the help.
class ERefusedValue : public EUsageError {
 public:
  using EUsageError::EUsageError;
};

// One line of the result on standard output, as Shown: a PLC's or a
// file's text cannot add a line or reach the terminal as a command.
void PrintResult(std::string_view line);
// A JSON document (which ends with its line break) on standard output; JSON
// escapes control characters itself.
void PrintDocument(std::string_view document);
// A message on standard error, its line breaks as a box would show them,
// everything else as TerminalText shows it.
void PrintMessage(std::string_view text);

// What the run printed on standard error so far, one message per line: the
// "error" of a --json document. And whether it printed a document.
const std::string& PrintedMessages();
bool DocumentPrinted();

// A card operation's failure as the dialog's box says it, on standard
// error; whether there was one decides the exit code.
bool Reported(const TResult& result);

// The refusal of a number outside its range; name is the setting's key or
// the option.
std::string OutOfRangeText(std::string_view value, std::string_view name, std::int32_t min,
                           std::int32_t max);
