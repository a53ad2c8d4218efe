#pragma once
// The box that ends the run when an error reaches the program body.
#include <exception>
#include <string>
#include <string_view>

#include "support/Result.h"

inline constexpr const char* kApplicationErrorCaption = "Anwendungsfehler";

// "Exception <kind> in Modul <module>.\n<message><end>", where <end> is "."
// when the message ends in a character after "." (so "Fehler" gets its full
// stop and "Ende." or a text ending in a quote is left as it is). There is
// no address: it would tell the user nothing.
std::string ApplicationErrorText(std::string_view kind, std::string_view module,
                                 std::string_view message);

// The kind is the class ErrorClassName names for the configurator's own errors,
// "Exception" for any other.
std::string ApplicationErrorText(const std::exception& error, std::string_view module);

// Shows the text in a task-modal box with the error icon and the caption
// "Anwendungsfehler". error may be null for an error that is no
// std::exception.
void ShowApplicationError(const std::exception* error, std::string_view module);
// The same for a failure that was returned, not raised: its kind's class
// and its message.
void ShowApplicationError(const TResult& failure, std::string_view module);
