#pragma once
// The texts both front ends make of what the card and the scan report: the
// command line prints them, the dialog's windows show them. In the user's
// language; header and functions without the card, so the dialog has them.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "plc/ChannelCheck.h"
#include "plc/PlcIdentity.h"
#include "plc/scan/ScanRange.h"
#include "support/TextCodec.h"

// The operating state for people: the PLC's own name for it ("RUN"), or
// "unknown" in the user's language.
std::string StateText(TOperatingState state);

// "Addresses probed: N, PLCs found: M".
std::string ScanSummary(std::size_t probed, std::size_t found);
// The progress of a scan: "Probing addresses: 12/256, open: 1" while the
// port is probed, "Reading PLCs: 1/3, found: 1" while the PLCs are read.
std::string ProbingText(std::size_t probed, std::size_t total, std::size_t open);
std::string ReadingText(std::size_t read, std::size_t total, std::size_t found);

// A diagnosis step's result ("ok", "FAILED") and time ("12 ms").
std::string StepResultText(bool ok);
std::string StepTimeText(long long ms);

// The file's line of a line among the channel block's lines (from 0): the
// block's lines follow its start marker (none: the block starts the file),
// and the file's lines count from 1.
std::size_t ChannelFileLine(std::optional<std::size_t> blockStart, std::size_t blockLine);
// "<file>:<line>: <path>: <cause>", or for a run of several channels
// "<file>:<first>-<last>: <first path> .. <last path> (<n> channels): <cause>",
// with the paths in the user's characters (the file's are in encoding).
std::string RefusalLine(const std::string& file, const TRefusedRun& run,
                        std::optional<std::size_t> blockStart, TTextEncoding encoding);
// "Channels checked: N, refused: M".
std::string CheckSummary(const TChannelCheck& check);
