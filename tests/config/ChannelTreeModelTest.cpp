// The channel-tree model's clean-up, which OK and --set write, row by row.
#include <gtest/gtest.h>

#include "config/ChannelTreeModel.h"
#include "tests/support/testsupport/ChannelCleanUpCases.h"

TEST(ChannelTreeModel, CleanUpNormalisesTheTree) {
  for (const TCleanUpCase& c : kCleanUpCases) {
    SCOPED_TRACE(c.what);
    TChannelTreeModel model = TChannelTreeModel::FromLines(c.lines);
    model.CleanUp({});
    EXPECT_EQ(model.Lines(), c.stored);
  }
}
