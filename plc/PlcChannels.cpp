#include "plc/PlcChannels.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "config/ChannelEntryCheck.h"
#include "plc/NoDaveApi.h"
#include "support/Translation.h"
#include "support/VNUtils.h"

namespace {

using nodave::s7::IsTimerOrCounter;

// The largest timer or counter number a request names.
constexpr std::uint32_t kLargestTimerOrCounter = 0xFFFF;
// S5TIME: three BCD digits and the time base in bits 12 and 13.
constexpr std::array<std::uint32_t, 4> kTimeBaseMs{10, 100, 1000, 10000};

std::optional<std::uint8_t> AreaOfLetter(char letter) {
  switch (letter) {
    case 'E':
      return daveInputs;
    case 'A':
      return daveOutputs;
    case 'M':
      return daveFlags;
    case 'D':
      return daveDB;
    case 'T':
      return daveTimer;
    case 'Z':
      return daveCounter;
    default:
      return std::nullopt;
  }
}

std::optional<TPlcAddress> AddressIn(std::uint8_t area, int db, std::int64_t address) {
  const std::uint32_t largest =
      IsTimerOrCounter(area) ? kLargestTimerOrCounter : nodave::s7::kMaxByteAddress;
  if (address < 0 || address > largest || db < 0 || db > 0xFFFF) return std::nullopt;
  return TPlcAddress{area, static_cast<std::uint16_t>(area == daveDB ? db : 0),
                     static_cast<std::uint32_t>(address)};
}

// Whether field is an entry the channel editor accepts as kind.
std::optional<int> EntryOf(const std::string& field, TChannelNodeKind kind) {
  const std::string clean = CleanChannelEntry(field);
  if (clean != field || !ChannelEntryMarker(clean, kind).empty()) return std::nullopt;
  return TryStrToInt(clean);
}

std::string Hex(unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::optional<std::uint32_t> Bcd(std::uint16_t raw) {
  std::uint32_t value = 0;
  for (int shift = 8; shift >= 0; shift -= 4) {
    const unsigned digit = (raw >> shift) & 0xF;
    if (digit > 9) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

const char* AreaNoun(std::uint8_t area) {
  switch (area) {
    case daveInputs:
      return "inputs";
    case daveOutputs:
      return "outputs";
    case daveFlags:
      return "flags";
    case daveTimer:
      return "timers";
    default:
      return "counters";
  }
}

std::string SizeText(std::uint8_t area, std::uint32_t size) {
  const char* pattern = area == daveTimer     ? "%s timers"
                        : area == daveCounter ? "%s counters"
                                              : "%s bytes";
  return FillIn(Tr(pattern), {std::to_string(size)});
}

std::string BeyondEndCause(const TPlcAddress& address, const std::optional<std::uint32_t>& size) {
  const std::string db = std::to_string(address.DB);
  if (address.Area == daveDB) {
    return size ? FillIn(Tr("beyond the end of data block %s (%s)"),
                         {db, SizeText(address.Area, *size)})
                : FillIn(Tr("beyond the end of data block %s"), {db});
  }
  const std::string noun = Tr(AreaNoun(address.Area));
  return size ? FillIn(Tr("beyond the PLC's %s (%s)"), {noun, SizeText(address.Area, *size)})
              : FillIn(Tr("beyond the PLC's %s"), {noun});
}

}  // namespace

std::optional<TPlcAddress> PlcAddressOf(const TChannel& channel) {
  const auto area = AreaOfLetter(channel.Area);
  if (!area) return std::nullopt;
  return AddressIn(*area, channel.DBNumber, channel.Address);
}

std::optional<TPlcAddress> PlcAddressOfPath(std::string_view path) {
  TStrings fields;
  SplitToList(path, &fields, ";", false);
  if ((fields.size() != 3 && fields.size() != 4) || fields[0] != "SPS") return std::nullopt;
  const bool dataBlock = fields.size() == 4;
  if (dataBlock != (fields[1] == "DB")) return std::nullopt;
  if (dataBlock) {
    const auto db = EntryOf(fields[2], TChannelNodeKind::DataBlock);
    const auto offset = EntryOf(fields[3], TChannelNodeKind::Offset);
    if (!db || !offset) return std::nullopt;
    return AddressIn(daveDB, *db, *offset);
  }
  const auto area =
      fields[1].size() == 1 && fields[1] != "D" ? AreaOfLetter(fields[1][0]) : std::nullopt;
  const auto address = EntryOf(fields[2], TChannelNodeKind::Address);
  if (!area || !address) return std::nullopt;
  return AddressIn(*area, 0, *address);
}

std::vector<TPlcChannel> PlcChannelsOf(const TChannelTreeModel& tree) {
  std::vector<TPlcChannel> channels;
  channels.reserve(tree.LineCount());
  ForEachChannel(tree, [&](const TChannel& channel, TNodeId leaf, std::size_t line) {
    channels.push_back({PlcAddressOf(channel), line, leaf});
  });
  return channels;
}

std::vector<TPlcAddress> UniqueAddresses(const std::vector<TPlcChannel>& channels) {
  std::vector<TPlcAddress> addresses;
  addresses.reserve(channels.size());
  for (const TPlcChannel& channel : channels)
    if (channel.Address) addresses.push_back(*channel.Address);
  // Channel blocks list their channels in address order as a rule.
  if (!std::is_sorted(addresses.begin(), addresses.end()))
    std::sort(addresses.begin(), addresses.end());
  addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
  return addresses;
}

TChannelCheck SummarizeCheck(const TChannelTreeModel& tree,
                             const std::vector<TPlcChannel>& channels,
                             const std::vector<TPlcAddress>& addresses,
                             const TAddressReadOutcome& outcome) {
  TChannelCheck check;
  check.Checked = channels.size();
  bool previousRefused = false;
  std::size_t next = 0;  // where the next channel's address is, as a rule
  for (const TPlcChannel& channel : channels) {
    std::string cause;
    int code = 0;
    if (!channel.Address) {
      cause = NoPlcAddressCause();
    } else {
      if (next >= addresses.size() || addresses[next] != *channel.Address) {
        next = static_cast<std::size_t>(
            std::lower_bound(addresses.begin(), addresses.end(), *channel.Address) -
            addresses.begin());
      }
      code = outcome.Readings[next++].Code;
      if (code != 0) {
        const auto size = outcome.Sizes.find(ObjectOf(*channel.Address));
        cause =
            RefusalCause(*channel.Address, code,
                         size == outcome.Sizes.end() ? std::nullopt : std::optional(size->second));
      }
    }
    const bool refused = !cause.empty();
    if (refused) {
      ++check.Refused;
      if (previousRefused && check.Runs.back().Cause == cause) {
        TRefusedRun& run = check.Runs.back();
        run.LastLine = channel.Line;
        run.LastPath = tree.Path(channel.Leaf);
        ++run.Count;
      } else {
        const std::string path = tree.Path(channel.Leaf);
        check.Runs.push_back({channel.Line, channel.Line, path, path, 1, cause, code});
      }
    }
    previousRefused = refused;
  }
  return check;
}

std::optional<std::uint32_t> DecodedValue(std::uint8_t area, std::uint16_t raw) {
  if (area == daveCounter) return Bcd(raw);
  if (area != daveTimer) return raw;
  const auto count = Bcd(raw);
  if (!count) return std::nullopt;
  return *count * kTimeBaseMs[(raw >> 12) & 0x3];
}

std::string ValueText(std::uint8_t area, std::uint16_t raw) {
  const bool word = IsTimerOrCounter(area);
  const std::string hex = " (" + Hex(raw, word ? 4 : 2) + ")";
  const auto value = DecodedValue(area, raw);
  if (!value) return Tr("invalid") + hex;
  return std::to_string(*value) + (area == daveTimer ? " ms" : "") + hex;
}

std::string NoPlcAddressCause() {
  return Tr("not an address the PLC can be asked for");
}

std::string RefusalCause(const TPlcAddress& address, int code,
                         const std::optional<std::uint32_t>& size) {
  switch (code) {
    case daveResItemNotAvailable:
      return address.Area == daveDB ? FillIn(Tr("data block %s does not exist in the PLC"),
                                             {std::to_string(address.DB)})
                                    : FillIn(Tr("the PLC has no %s"), {Tr(AreaNoun(address.Area))});
    case daveResItemAddressOutOfRange:
      return BeyondEndCause(address, size);
    case daveResItemAccessDenied:
      return Tr(
          "access denied: the PLC's protection forbids the read, or the data block has "
          "optimized access (switch off \"Optimized block access\" in the block's "
          "properties and allow PUT/GET access)");
    default:
      return FillIn(Tr("the PLC returned %s for the item (%s)"),
                    {Hex(static_cast<unsigned>(code), 2), Tr(NoDave().daveStrerror(code))});
  }
}
