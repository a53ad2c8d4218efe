#pragma once
// One channel of the channel list: where it lies in the PLC and the state
// the driver keeps for it at run time.
#include <array>
#include <cstdint>
#include <string>

#include "support/VNUtils.h"

class TChannel {
 public:
  // Fills the channel from the fields of one path line; false when the
  // address is no number. A data block number that is no number or outside
  // 0..255 raises; too few fields raise EListError.
  bool ParseFields(const TStrings& fields);

  // Declared so that no padding lies between the fields (112 bytes instead
  // of 128): a plant's channel list holds a hundred thousand of them.
  std::uint8_t Kind = 0;
  char Area = 0;
  char FormatMark = 0;
  std::uint8_t DBNumber = 0;
  std::int32_t Address = 0;
  std::int32_t GroupIndex = 0;
  std::uint32_t StateWord = 0;
  std::string Name;
  bool TimerCounter = false;
  bool IsFree = false;
  std::array<std::uint8_t, 4> TypeCode{};
  std::int32_t LineIndex = 0;
  std::uint32_t StateWord2 = 0;
  std::uint32_t ActiveMark = 0;
  long double StateValue1 = 0;
  long double StateValue2 = 0;
};

// Whether channel exists and a hardware block uses it.
inline bool IsUsed(const TChannel* channel) {
  return channel && !channel->IsFree;
}
