#pragma once
// --scan RANGE [--port N]: the PLCs of an address range, one line each (or
// one JSON document), found with the file's rack and slot.
#include <optional>
#include <string_view>

#include "plc/CardServices.h"
#include "plc/nodave/WireLimits.h"
#include "plc/scan/ScanRange.h"

struct TScanRequest {
  TScanRange Range;
  int Port = nodave::kIsoTcpPort;
};

// The scan the option values ask for, or a Value refusal (exit 2) that
// names a range or port that cannot be used. The port takes the range of
// the IPPort setting.
TResultOr<TScanRequest> ScanRequestOf(std::string_view rangeText,
                                      std::optional<std::string_view> portText);

// Probes, reads the PLCs found and prints them sorted by address; the
// summary (and on a terminal the progress) on standard error. Exit 0 when a
// PLC was found, 1 when none.
int ScanMode(const TCardServices& card, const TScanRequest& request, bool json);
