#pragma once
// A PLC address as the channel check and the value reads name it: the
// front ends carry it without the S7 library.
#include <compare>
#include <cstdint>
#include <tuple>
#include <utility>

// One byte of the inputs, outputs, flags or a data block, or one timer or
// counter. Ordered as channel blocks list them: inputs, outputs, flags,
// timers, counters, data blocks; then by data block and address.
struct TPlcAddress {
  std::uint8_t Area = 0;      // daveInputs ... daveTimer
  std::uint16_t DB = 0;       // the data block (daveDB), else 0
  std::uint32_t Address = 0;  // byte address, or timer / counter number
  bool operator==(const TPlcAddress&) const = default;
  std::strong_ordering operator<=>(const TPlcAddress& other) const {
    return std::tuple(AreaRank(Area), DB, Address) <=>
           std::tuple(AreaRank(other.Area), other.DB, other.Address);
  }
  static int AreaRank(std::uint8_t area);
};

// An area, or one data block: what a refusal for being beyond the end is about.
using TPlcObject = std::pair<std::uint8_t, std::uint16_t>;
inline TPlcObject ObjectOf(const TPlcAddress& address) {
  return {address.Area, address.DB};
}
