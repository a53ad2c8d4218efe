#pragma once
// How the dialog shows what a card operation reported.
#include <string>

#include "support/Result.h"

// The caption of the box that shows a failure of this kind: the toolkit's
// own "Fehler" (German, never translated) for the S7 library's failures and
// the channel definitions it cannot read, "Error" in the user's language
// for everything else.
std::string FailureCaption(TFailure kind);

// A failure as a box with the error icon, its caption and its text; nothing
// for success. Returns whether the operation succeeded.
bool ShowCardResult(const TResult& result);
