// The channel tree's item model under Qt's own model checker, without
// widgets: rows inserted and removed, an edit taken and one refused.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>

#include "ui/ChannelItemModel.h"

TEST(ChannelItemModel, KeepsTheModelRulesThroughEditsInsertsAndRemovals) {
  TChannelItemModel model({});
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  model.Load(TChannelTreeModel::FromLines({"SPS", "\tE", "\t\t5", "\tDB", "\t\t10", "\t\t\t2"}));
  const QModelIndex e = model.index(0, 0, model.index(0, 0));
  ASSERT_TRUE(model.insertRows(0, 2, e));
  EXPECT_TRUE(model.setData(model.index(1, 0, e), "300", Qt::EditRole));
  EXPECT_FALSE(model.setData(e, "A", Qt::EditRole)) << "an area";
  EXPECT_TRUE(model.removeRows(0, 1, model.index(1, 0, model.index(0, 0))));
  EXPECT_EQ(model.Channels().Lines(),
            (TStrings{"SPS", "\tE", "\t\t<-- ungültig",
                      "\t\t300<-- ungültig; nur innerhalb [0..255]", "\t\t5", "\tDB"}));
}
