#pragma once
// --read [CHANNEL]...: what channels hold, one line each ("SPS;DB;1;42 = 42
// (0x2A)"), for the paths given or every channel of the file.
#include <string>
#include <vector>

#include "plc/CardServices.h"

// The paths' addresses, in their order, or a Value refusal (exit 2) that
// names the first path outside the channel tree's ranges, before anything
// is sent.
TResultOr<std::vector<TPlcAddress>> ChannelArgumentsOf(const std::vector<std::string>& paths);

// Reads the channels and prints their values; a refused channel gets
// "<path>: <cause>" on standard error. Exit 1 when any was refused or the
// connection failed.
int ReadMode(TCardServices& card, const std::vector<std::string>& paths, bool json);
