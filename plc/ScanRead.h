#pragma once
// The card's side of a scan: reading the PLC behind a port the probe found
// open, with the card's own connection and reads.
#include <atomic>
#include <optional>

#include "config/HW_ConfigInfo.h"
#include "plc/scan/PlcScan.h"

// The reader for ReadPlcs. The ISO connection is made with the rack and
// slot of settings first (on the probe's socket when it kept one); when the
// PLC refuses it, with the pairs of the library's rack/slot search in its
// order, one connection per pair. On the pair that answers: the order code,
// the identity and the operating state. Nothing when no pair answers, the
// peer does not answer at all, or the port no longer opens. Every
// connection is closed before it returns. stop, when set and true, ends the
// search of pairs before the next pair.
std::optional<TScanRecord> ReadFoundPlc(TOpenPort& port, const TConfigInfo& settings,
                                        const std::atomic<bool>* stop = nullptr);
