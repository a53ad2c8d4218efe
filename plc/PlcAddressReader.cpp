#include "plc/PlcAddressReader.h"

#include <algorithm>

#include "plc/nodave/nodave.h"

namespace {

using nodave::s7::ReadItem;

// An address that no answer has covered yet.
constexpr int kUnread = -1;

std::uint32_t EndOf(const ReadItem& item) {
  return item.start + item.count;
}

ReadItem ItemAt(const TPlcObject& object, std::uint32_t start, std::uint32_t count) {
  return {object.first, object.second, start, static_cast<std::uint16_t>(count)};
}

// The most elements of area one item may ask for: what an answer carrying
// that item alone can hold.
std::size_t LargestItem(std::uint8_t area, std::size_t pduLength) {
  const ReadItem empty{area, 0, 0, 0};
  const std::size_t overhead = nodave::s7::ReadAnswerBytes({&empty, 1});
  if (pduLength <= overhead || nodave::s7::ReadRequestBytes(1) > pduLength) return 0;
  const std::size_t perElement = nodave::s7::IsTimerOrCounter(area) ? 2 : 1;
  return std::min<std::size_t>((pduLength - overhead) / perElement, 0xFFFF);
}

bool Continues(const ReadItem& item, const TPlcAddress& next, std::size_t largest) {
  return item.area == next.Area && item.db == next.DB && EndOf(item) == next.Address &&
         item.count < largest;
}

// Addresses beyond what an area or data block holds: a refusal that holds
// for every address from the end on, so one search finds the end.
constexpr int kOutOfRange = daveResItemAddressOutOfRange;

// A refusal of the whole object (it does not exist, or may not be read):
// the refused item is not split, as every part of it would be refused too.
bool RefusesObject(int code) {
  return code == daveResItemNotAvailable || code == daveResItemAccessDenied;
}

}  // namespace

std::vector<ReadItem> PlanReadItems(std::span<const TPlcAddress> addresses, std::size_t pduLength) {
  std::vector<ReadItem> items;
  for (const TPlcAddress& address : addresses) {
    const std::size_t largest = LargestItem(address.Area, pduLength);
    if (largest == 0) return {};
    if (!items.empty() && Continues(items.back(), address, largest)) {
      ++items.back().count;
      continue;
    }
    items.push_back({address.Area, address.DB, address.Address, 1});
  }
  return items;
}

std::vector<TReadRequest> PackReadRequests(std::span<const ReadItem> items, std::size_t pduLength) {
  std::vector<TReadRequest> requests;
  TReadRequest current;
  for (const ReadItem& item : items) {
    current.push_back(item);
    if (current.size() == 1 || nodave::s7::FitsOneRequest(current, pduLength)) continue;
    current.pop_back();
    requests.push_back(std::move(current));
    current = {item};
  }
  if (!current.empty()) requests.push_back(std::move(current));
  return requests;
}

TPlcAddressReader::TPlcAddressReader(std::span<const TPlcAddress> addresses, std::size_t pduLength,
                                     TReadExchange exchange)
    : FAddresses(addresses), FPduLength(pduLength), FExchange(std::move(exchange)) {}

int TPlcAddressReader::Run() {
  FOutcome = {};
  FOutcome.Readings.assign(FAddresses.size(), {kUnread, 0});
  const std::vector<ReadItem> items = PlanReadItems(FAddresses, FPduLength);
  if (items.empty() && !FAddresses.empty()) return daveResRequestTooLarge;
  for (const ReadItem& item : items) FPending.push_back({item, false});
  while (!FPending.empty() || !FOutOfRange.empty()) {
    const int result = FPending.empty() ? FindSizes() : SendPending();
    if (result != 0) return result;
  }
  return 0;
}

int TPlcAddressReader::SendPending() {
  const std::vector<TPending> work = std::move(FPending);
  FPending.clear();
  return Send(work);
}

int TPlcAddressReader::Send(const std::vector<TPending>& work) {
  std::vector<ReadItem> items;
  items.reserve(work.size());
  for (const TPending& pending : work) items.push_back(pending.Item);
  return Send(items, [&](std::size_t i, const TItemAnswer& answer) { Take(work[i], answer); });
}

int TPlcAddressReader::Send(const std::vector<ReadItem>& items, const TItemTaker& take) {
  std::size_t next = 0;
  std::vector<TItemAnswer> answers;
  for (const TReadRequest& request : PackReadRequests(items, FPduLength)) {
    answers.clear();
    if (int r = FExchange(request, answers); r != 0) return r;
    if (answers.size() != request.size()) return daveResMissingItems;
    ++FOutcome.RequestsSent;
    FOutcome.ItemsSent += request.size();
    for (const TItemAnswer& answer : answers) take(next++, answer);
  }
  return 0;
}

void TPlcAddressReader::Take(const TPending& pending, const TItemAnswer& answer) {
  const ReadItem& item = pending.Item;
  const TPlcObject object{item.area, item.db};
  if (answer.Code == 0) {
    Store(item, answer.Data);
    FReadUpTo[object] = std::max(FReadUpTo[object], EndOf(item));
  } else if (answer.Code == kOutOfRange && !pending.Narrowing) {
    FOutOfRange[object].push_back(item);
  } else if (item.count == 1 || (RefusesObject(answer.Code) && !pending.Narrowing)) {
    Refuse(item, answer.Code);
  } else {
    const auto half = static_cast<std::uint16_t>(item.count / 2);
    FPending.push_back({ItemAt(object, item.start, half), true});
    FPending.push_back({ItemAt(object, item.start + half, item.count - half), true});
  }
}

// Where each area or data block with items refused as out of range ends:
// everything before the end reads, nothing from it on. The searches of all
// of them run side by side, one probe of one address each per round.
int TPlcAddressReader::FindSizes() {
  struct TSearch {
    TPlcObject Object;
    std::uint32_t ReadsBelow;  // every address below it read
    std::uint32_t Refused;     // this address (or one below it) was refused
  };
  std::vector<TSearch> searches;
  for (const auto& [object, refused] : FOutOfRange) {
    std::uint32_t firstEnd = UINT32_MAX;
    for (const ReadItem& item : refused) firstEnd = std::min(firstEnd, EndOf(item));
    searches.push_back({object, FReadUpTo[object], firstEnd - 1});
  }
  for (;;) {
    std::vector<ReadItem> probes;
    std::vector<TSearch*> probing;
    for (TSearch& search : searches) {
      if (search.ReadsBelow >= search.Refused) continue;
      const std::uint32_t middle = search.ReadsBelow + (search.Refused - search.ReadsBelow) / 2;
      probes.push_back(ItemAt(search.Object, middle, 1));
      probing.push_back(&search);
    }
    if (probes.empty()) break;
    const int result = Send(probes, [&](std::size_t i, const TItemAnswer& answer) {
      if (answer.Code == 0)
        probing[i]->ReadsBelow = probes[i].start + 1;
      else
        probing[i]->Refused = probes[i].start;
    });
    if (result != 0) return result;
  }
  for (const TSearch& search : searches) {
    // A read beyond a refusal: the object does not end where it refuses,
    // so its refused items are narrowed instead.
    const bool known = search.ReadsBelow <= search.Refused;
    SettleOutOfRange(search.Object, search.ReadsBelow, known);
  }
  FOutOfRange.clear();
  return 0;
}

void TPlcAddressReader::SettleOutOfRange(const TPlcObject& object, std::uint32_t size, bool known) {
  if (known) FOutcome.Sizes[object] = size;
  for (const ReadItem& item : FOutOfRange[object]) {
    if (!known) {
      FPending.push_back({item, true});
      continue;
    }
    if (item.start < size)
      FPending.push_back(
          {ItemAt(object, item.start, std::min(EndOf(item), size) - item.start), true});
    if (EndOf(item) > size) {
      const std::uint32_t from = std::max(item.start, size);
      Refuse(ItemAt(object, from, EndOf(item) - from), kOutOfRange);
    }
  }
}

std::size_t TPlcAddressReader::IndexOf(const ReadItem& item) const {
  const TPlcAddress first{item.area, item.db, item.start};
  return static_cast<std::size_t>(std::lower_bound(FAddresses.begin(), FAddresses.end(), first) -
                                  FAddresses.begin());
}

void TPlcAddressReader::Store(const ReadItem& item, std::span<const std::uint8_t> data) {
  const bool words = nodave::s7::IsTimerOrCounter(item.area);
  const std::size_t first = IndexOf(item);
  for (std::size_t k = 0; k < item.count && Covers(first + k, item, k); ++k) {
    const std::size_t at = words ? 2 * k : k;
    if (at + (words ? 1 : 0) >= data.size()) break;
    const auto value = static_cast<std::uint16_t>(words ? data[at] << 8 | data[at + 1] : data[at]);
    FOutcome.Readings[first + k] = {0, value};
  }
}

void TPlcAddressReader::Refuse(const ReadItem& item, int code) {
  const std::size_t first = IndexOf(item);
  for (std::size_t k = 0; k < item.count && Covers(first + k, item, k); ++k)
    FOutcome.Readings[first + k] = {code, 0};
}

// Whether address index is element k of item.
bool TPlcAddressReader::Covers(std::size_t index, const ReadItem& item, std::size_t k) const {
  return index < FAddresses.size() && FAddresses[index].Address == item.start + k &&
         ObjectOf(FAddresses[index]) == TPlcObject{item.area, item.db};
}
