#pragma once
// How the dialog shows what a card operation reported.
#include "plc/CardResult.h"

// A failure as a box with the error icon, its caption and its text; nothing
// for success. Returns whether the operation succeeded.
bool ShowCardResult(const TCardResult& result);
