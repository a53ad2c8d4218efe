#pragma once
// What a channel check and a value read report, as the front ends show them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plc/PlcAddress.h"

// Refused channels next to each other in line order, refused for the same
// cause.
struct TRefusedRun {
  std::size_t FirstLine = 0;  // lines among the block's lines, from 0
  std::size_t LastLine = 0;
  std::string FirstPath;
  std::string LastPath;
  std::size_t Count = 0;
  std::string Cause;       // in the user's language
  int ItemReturnCode = 0;  // the PLC's code; 0 where nothing was asked
};

struct TChannelCheck {
  std::size_t Checked = 0;
  std::size_t Refused = 0;
  std::vector<TRefusedRun> Runs;
};

// What one address holds, or why it could not be read.
struct TChannelValue {
  TPlcAddress Address;
  std::optional<std::uint16_t> Raw;  // none when refused
  std::string Error;                 // the cause of a refusal
};
