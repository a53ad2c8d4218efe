#pragma once
// What the command line's modes share: how results and messages are
// printed, how a result decides the exit code, and the refusals that end a
// run with exit code 2.
#include <cstdint>
#include <string>
#include <string_view>

#include "support/Result.h"
#include "support/TextCodec.h"  // AsUserText, Shown, TerminalText

// The command line cannot be used as given (Usage, exit 2, with a pointer
// to the help), or a value the settings cannot take (Value, exit 2 as
// well, but the options were fine).
TResult UsageError(std::string message);
TResult RefusedValue(std::string message);

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
// The exit code of a result: 0 for success, 2 for the command line's
// refusals (Usage, Value), 1 for every other failure.
int ExitCodeOf(const TResult& result);

// The refusal of a number outside its range; name is the setting's key or
// the option.
std::string OutOfRangeText(std::string_view value, std::string_view name, std::int32_t min,
                           std::int32_t max);
