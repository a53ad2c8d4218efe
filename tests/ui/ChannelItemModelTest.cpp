// The channel tree's item model under Qt's own model checker, without
// widgets: rows inserted and removed, an edit taken and checked, edits
// refused for their place and for the file's encoding.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "ChannelItemModel.h"

TEST(ChannelItemModel, KeepsTheModelRulesThroughEditsInsertsAndRemovals) {
  TChannelItemModel model([](std::string_view path) { return path == "SPS;E;5"; });
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  model.Load(
      TChannelTreeModel::FromLines({"SPS", "\tE", "\t\t0", "\t\t5", "\tDB", "\t\t10", "\t\t\t2"}));
  model.SetEncoding(TTextEncoding::Windows1252);
  QSignalSpy refused(&model, &TChannelItemModel::CharacterRefused);
  const QModelIndex e = model.index(0, 0, model.index(0, 0));
  const QModelIndex db = model.index(1, 0, model.index(0, 0));

  ASSERT_TRUE(model.insertRows(1, 2, e));
  EXPECT_FALSE(model.insertRows(5, 1, e));
  EXPECT_TRUE(model.setData(model.index(1, 0, e), "300", Qt::EditRole));
  EXPECT_EQ(model.index(1, 0, e).data().toString(), "300<-- ungültig; nur innerhalb [0..255]");
  EXPECT_TRUE(model.removeRows(1, 2, e));
  EXPECT_FALSE(model.removeRows(1, 2, e));
  EXPECT_FALSE(model.setData(e, "A", Qt::EditRole)) << "an area";
  EXPECT_FALSE(model.setData(model.index(1, 0, e), "6", Qt::EditRole)) << "a used channel";
  EXPECT_FALSE(model.setData(model.index(0, 0, db), "Ω", Qt::EditRole));
  ASSERT_EQ(refused.count(), 1);
  EXPECT_EQ(refused.front().front().toString(), "Ω");
  EXPECT_TRUE(model.setData(model.index(0, 0, db), "11", Qt::EditRole));
  EXPECT_TRUE(model.removeRows(0, 1, db)) << "a data block number with its offsets";
  EXPECT_EQ(model.Channels().Lines(), (TStrings{"SPS", "\tE", "\t\t0", "\t\t5", "\tDB"}));
}
