#pragma once
// Reading many PLC addresses in few requests: addresses next to each other
// become one item, items are packed into requests as far as the negotiated
// PDU and the 20-item limit allow, and an item the PLC refuses is narrowed
// down until the refused addresses are exact. The exchange with the PLC is
// a function, so that planning and narrowing can be tested as a table.
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "plc/PlcAddress.h"
#include "plc/nodave/ReadVar.h"

// What an address holds, or why the PLC refused it.
struct TAddressReading {
  int Code = 0;             // 0, or the item return code that refused it
  std::uint16_t Value = 0;  // the byte, or the timer's or counter's word
};

using TReadRequest = std::vector<nodave::s7::ReadItem>;
struct TItemAnswer {
  int Code = 0;  // 0, or the item's return code
  std::vector<std::uint8_t> Data;
};
// Sends one request: 0 with one answer per item, or the result code that
// failed the whole job.
using TReadExchange = std::function<int(const TReadRequest&, std::vector<TItemAnswer>&)>;

// The items that read addresses (sorted, no duplicates): contiguous addresses
// of one area or data block as one item, cut where an answer over a PDU of
// pduLength bytes could carry no more. Empty when the PDU carries no item.
std::vector<nodave::s7::ReadItem> PlanReadItems(std::span<const TPlcAddress> addresses,
                                                std::size_t pduLength);
// The items in their order, packed into as few requests as fit.
std::vector<TReadRequest> PackReadRequests(std::span<const nodave::s7::ReadItem> items,
                                           std::size_t pduLength);

struct TAddressReadOutcome {
  std::vector<TAddressReading> Readings;  // one per address, in their order
  // The size (bytes, or timers / counters) of each area or data block whose
  // end the refusals showed.
  std::map<TPlcObject, std::uint32_t> Sizes;
  std::size_t ItemsSent = 0;
  std::size_t RequestsSent = 0;
};

class TPlcAddressReader {
 public:
  TPlcAddressReader(std::span<const TPlcAddress> addresses, std::size_t pduLength,
                    TReadExchange exchange);
  // Reads every address: 0, or the result code of the exchange that failed
  // (the outcome then holds what was read before).
  int Run();
  const TAddressReadOutcome& Outcome() const { return FOutcome; }

 private:
  struct TPending {
    nodave::s7::ReadItem Item;
    bool Narrowing = false;  // a part of a refused item: split further when refused
  };

  int SendPending();
  int Send(const std::vector<TPending>& work);
  // Sends items packed into requests; take gets each item's index and answer.
  using TItemTaker = std::function<void(std::size_t, const TItemAnswer&)>;
  int Send(const std::vector<nodave::s7::ReadItem>& items, const TItemTaker& take);
  void Take(const TPending& pending, const TItemAnswer& answer);
  int FindSizes();
  void SettleOutOfRange(const TPlcObject& object, std::uint32_t size, bool known);
  void Store(const nodave::s7::ReadItem& item, std::span<const std::uint8_t> data);
  void Refuse(const nodave::s7::ReadItem& item, int code);
  std::size_t IndexOf(const nodave::s7::ReadItem& item) const;
  bool Covers(std::size_t index, const nodave::s7::ReadItem& item, std::size_t k) const;

  std::span<const TPlcAddress> FAddresses;
  std::size_t FPduLength;
  TReadExchange FExchange;
  TAddressReadOutcome FOutcome;
  std::vector<TPending> FPending;
  // Per area or data block: the end of what was read, and the items refused
  // as out of range that wait for the search of the end.
  std::map<TPlcObject, std::uint32_t> FReadUpTo;
  std::map<TPlcObject, std::vector<nodave::s7::ReadItem>> FOutOfRange;
};
