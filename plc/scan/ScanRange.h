#pragma once
// The addresses a scan probes: one IPv4 address, a block A.B.C.D/NN, or a
// last-byte range A.B.C.D-E. Larger than a /16 is refused: 65,536 probes
// already take minutes where hosts stay silent, and a larger range is far
// more likely a typing error than a plant network.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/Result.h"

// The largest block a scan takes: A.B.C.D/16, 65,536 addresses.
inline constexpr int kWidestScanPrefix = 16;
inline constexpr std::size_t kMostScanAddresses = std::size_t{1} << (32 - kWidestScanPrefix);

// Addresses in host byte order, both ends included.
struct TScanRange {
  std::uint32_t First = 0;
  std::uint32_t Last = 0;

  std::size_t Count() const { return std::size_t{Last} - First + 1; }
  std::uint32_t At(std::size_t index) const { return First + static_cast<std::uint32_t>(index); }
  bool operator==(const TScanRange&) const = default;
};

// Why a range text cannot be scanned.
enum class TRangeRefusal {
  // Neither an address, nor A.B.C.D/NN, nor A.B.C.D-E.
  NotARange,
  // A block larger than the largest (NN below kWidestScanPrefix).
  TooLarge,
  // A.B.C.D-E with E below D.
  Reversed,
};

// The range, or a Value failure whose message is RangeRefusalText. A/NN
// covers the whole block of 2^(32-NN) addresses that holds A, wherever in
// the block A lies. Bytes are decimal without leading zeros ("010" could be
// meant as octal).
TResultOr<TScanRange> ParseScanRange(std::string_view text);

// The message for a range text that cannot be scanned; it names the text.
std::string RangeRefusalText(std::string_view text, TRangeRefusal why);

// "192.168.0.10".
std::string IPv4Text(std::uint32_t address);
