#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/VNList.h"

namespace {

// Records its destruction, so tests see what the list destroyed and when.
class TTracked {
 public:
  TTracked(int id, std::vector<int>& log) : FId(id), FLog(log) {}
  ~TTracked() { FLog.push_back(FId); }

 private:
  int FId;
  std::vector<int>& FLog;
};

class TrackedList : public ::testing::Test {
 protected:
  TTracked* Add(int id) {
    auto item = std::make_unique<TTracked>(id, destroyed);
    TTracked* raw = item.get();
    list.Add(std::move(item));
    return raw;
  }

  std::vector<int> destroyed;
  TObjectList<TTracked> list;  // declared after the log it writes into
};

TEST_F(TrackedList, FreeAllDestroysLastToFirst) {
  Add(1);
  Add(2);
  Add(3);
  list.FreeAll();
  EXPECT_EQ(destroyed, (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(list.Count(), 0);
  list.FreeAll();  // empty: nothing happens
  EXPECT_EQ(destroyed.size(), 3u);
}

TEST_F(TrackedList, FreeItemAndFreeAtRemoveAndDestroy) {
  Add(1);
  TTracked* second = Add(2);
  Add(3);
  list.FreeItem(second);
  EXPECT_EQ(destroyed, (std::vector<int>{2}));
  ASSERT_EQ(list.Count(), 2);
  list.FreeAt(1);
  EXPECT_EQ(destroyed, (std::vector<int>{2, 3}));
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(TrackedList, FreeItemDestroysAnItemThatIsNotInTheList) {
  Add(1);
  list.FreeItem(std::make_unique<TTracked>(9, destroyed).release());  // handed over to be freed
  EXPECT_EQ(destroyed, (std::vector<int>{9}));
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(TrackedList, ExtractEmptiesWithoutDestroying) {
  Add(1);
  Add(2);
  auto items = list.Extract();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(destroyed.empty());
  ASSERT_EQ(items.size(), 2u);
  items.clear();
  EXPECT_EQ(destroyed, (std::vector<int>{1, 2}));
}

TEST_F(TrackedList, IndexOutsideTheListIsAListIndexError) {
  Add(1);
  for (int index : {-1, 1, 5}) {
    try {
      list.FreeAt(index);
      FAIL() << index;
    } catch (const EListError& e) {
      EXPECT_EQ(std::string(e.what()), "List index out of bounds (" + std::to_string(index) + ")");
    }
    EXPECT_THROW(list.Items(index), EListError);
  }
  EXPECT_TRUE(destroyed.empty());
}

TEST(IntegerList, HoldsValues) {
  TIntegerList list;
  list.Add(5);
  list.Add(-7);
  EXPECT_EQ(list.Values(0), 5);
  EXPECT_EQ(list.Values(1), -7);
  EXPECT_THROW(list.Values(2), EListError);
}

}  // namespace
