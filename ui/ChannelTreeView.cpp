#include "ui/ChannelTreeView.h"

#include <QHeaderView>
#include <vector>

TChannelTreeView::TChannelTreeView(QWidget* parent) : QTreeView(parent) {
  setHeaderHidden(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  setIconSize(QSize(16, 16));
  setUniformRowHeights(true);
}

void TChannelTreeView::ExpandAllNodes() {
  // Top-down: a node is expanded before its children, so the view never
  // lays out more than one new level at a time (its own expand-all
  // recurses once per level and overflows the stack on deep trees).
  const QAbstractItemModel* nodes = model();
  if (!nodes) return;
  std::vector<QModelIndex> pending;
  for (int i = nodes->rowCount() - 1; i >= 0; --i) pending.push_back(nodes->index(i, 0));
  while (!pending.empty()) {
    const QModelIndex node = pending.back();
    pending.pop_back();
    const int children = nodes->rowCount(node);
    if (children == 0) continue;
    expand(node);
    for (int i = children - 1; i >= 0; --i) pending.push_back(nodes->index(i, 0, node));
  }
}
