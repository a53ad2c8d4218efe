#pragma once
// The channels of a channel block as PLC addresses: checked against the PLC
// all at once (which the PLC refuses, and why), and read for what they hold.
// The command line and the dialog share these, over the card's services.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ChannelTreeModel.h"
#include "config/HW_Channels.h"
#include "plc/ChannelCheck.h"
#include "plc/PlcAddressReader.h"

// The PLC address a parsed channel names; none for a channel of no PLC area
// or an address no request can carry.
std::optional<TPlcAddress> PlcAddressOf(const TChannel& channel);

// The PLC address of a path written as in the file ("SPS;DB;10;4"), when it
// lies within the ranges the channel editor accepts; none otherwise.
std::optional<TPlcAddress> PlcAddressOfPath(std::string_view path);

struct TPlcChannel {
  std::optional<TPlcAddress> Address;
  std::size_t Line = 0;  // the leaf's line among the block's lines, from 0
  TNodeId Leaf = kNoNode;
};

// Every channel of tree, in line order. Raises what the channel list's
// parse raises.
std::vector<TPlcChannel> PlcChannelsOf(const TChannelTreeModel& tree);

// The check from what the PLC answered for addresses (the sorted addresses
// of channels, UniqueAddresses): the refused channels as runs.
TChannelCheck SummarizeCheck(const TChannelTreeModel& tree,
                             const std::vector<TPlcChannel>& channels,
                             const std::vector<TPlcAddress>& addresses,
                             const TAddressReadOutcome& outcome);
// The addresses of channels, sorted, each once.
std::vector<TPlcAddress> UniqueAddresses(const std::vector<TPlcChannel>& channels);

// A value as the user reads it: "42 (0x2A)" for a byte, "1500 ms (0x0150)"
// for a timer (S5TIME), "17 (0x0017)" for a counter (BCD), "invalid
// (0x....)" where the BCD digits are no digits.
std::string ValueText(std::uint8_t area, std::uint16_t raw);
// The decoded number: milliseconds of a timer, the count of a counter, the
// byte itself; none where the BCD digits are no digits.
std::optional<std::uint32_t> DecodedValue(std::uint8_t area, std::uint16_t raw);

// Why a channel was not read at all: it names no address the PLC can be
// asked for (PlcAddressOf gave none).
std::string NoPlcAddressCause();

// Why the PLC refused an address with code, with the size of the area or
// data block when the reads found it.
std::string RefusalCause(const TPlcAddress& address, int code,
                         const std::optional<std::uint32_t>& size);
