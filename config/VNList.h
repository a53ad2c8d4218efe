#pragma once
// Owning object list and the list of 32-bit integers built on it.
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "support/VNErrors.h"

// Owns its items: taking an item out through FreeItem/FreeAt/FreeAll, and
// destroying the list, destroys it. Extract empties the list and hands the
// items back alive (the classic non-owning clear, made safe).
template <class T>
class TObjectList {
 public:
  TObjectList() = default;
  TObjectList(const TObjectList&) = delete;
  TObjectList& operator=(const TObjectList&) = delete;
  virtual ~TObjectList() { FreeAll(); }

  // Appends item; the list owns it from now on. Returns its index.
  int Add(std::unique_ptr<T> item);
  int Count() const { return static_cast<int>(FItems.size()); }
  // The item at index; EListError outside 0..Count()-1.
  T* Items(int index) const;
  // Index of item, -1 when it is not in the list.
  int IndexOf(const T* item) const;

  // Removes the first occurrence of item (if present) and destroys item.
  virtual void FreeItem(T* item);
  // FreeItem of the item at index; EListError outside 0..Count()-1.
  virtual void FreeAt(int index);
  // Destroys every item, last to first, then empties the list.
  virtual void FreeAll();
  // Empties the list without destroying; the caller receives the items.
  std::vector<std::unique_ptr<T>> Extract();

 protected:
  // Hooks for derived lists that keep views of their items (a name index,
  // group lists): told of every item that joins, of an item about to leave,
  // and of the whole list about to be emptied.
  virtual void ItemAdded(T* /*item*/) {}
  virtual void ItemRemoving(T* /*item*/) {}
  virtual void ItemsClearing() {}

  void CheckIndex(int index) const;
  std::vector<std::unique_ptr<T>> FItems;
};

class TInteger {
 public:
  explicit TInteger(std::int32_t value) : Value(value) {}
  std::int32_t Value;
};

class TIntegerList : public TObjectList<TInteger> {
 public:
  int Add(std::int32_t value) { return TObjectList::Add(std::make_unique<TInteger>(value)); }
  using TObjectList::Add;
  std::int32_t Values(int index) const { return Items(index)->Value; }
};

// Raises EListError with the classic text for an index outside 0..count-1.
[[noreturn]] void RaiseListIndexError(int index);

template <class T>
int TObjectList<T>::Add(std::unique_ptr<T> item) {
  FItems.push_back(std::move(item));
  ItemAdded(FItems.back().get());
  return Count() - 1;
}

template <class T>
void TObjectList<T>::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
}

template <class T>
T* TObjectList<T>::Items(int index) const {
  CheckIndex(index);
  return FItems[static_cast<std::size_t>(index)].get();
}

template <class T>
int TObjectList<T>::IndexOf(const T* item) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == item) return static_cast<int>(i);
  return -1;
}

template <class T>
void TObjectList<T>::FreeItem(T* item) {
  const int index = IndexOf(item);
  if (index >= 0) {
    ItemRemoving(item);
    FItems.erase(FItems.begin() + index);  // destroys the owned item
  } else {
    std::unique_ptr<T> stray(item);  // not ours, but the caller handed it over to be freed
  }
}

template <class T>
void TObjectList<T>::FreeAt(int index) {
  CheckIndex(index);
  FreeItem(FItems[static_cast<std::size_t>(index)].get());
}

template <class T>
void TObjectList<T>::FreeAll() {
  if (!FItems.empty()) ItemsClearing();
  while (!FItems.empty()) FItems.pop_back();
}

template <class T>
std::vector<std::unique_ptr<T>> TObjectList<T>::Extract() {
  if (!FItems.empty()) ItemsClearing();
  return std::exchange(FItems, {});
}
