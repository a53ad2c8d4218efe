#pragma once
// --verify: reads every channel of the file's channel block from the PLC and
// lists the channels the PLC refuses, one line per run with the same cause,
// then "Channels checked: N, refused: M" (or one JSON document).
#include "plc/CardServices.h"

// Exit 0 when every channel was read, 1 when any was refused or the
// connection failed.
int VerifyMode(TCardServices& card, bool json);
