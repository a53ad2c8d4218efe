#pragma once
// The tree view of the dialog's channel page.
#include <QTreeView>

class TChannelTreeView : public QTreeView {
  Q_OBJECT
 public:
  explicit TChannelTreeView(QWidget* parent = nullptr);
  // Whether an in-place editor is open; keys that end the edit reach the
  // tree as well and must not act on it a second time.
  bool IsEditing() const { return state() == QAbstractItemView::EditingState; }
  // Expands every node, top-down and without recursion, whatever the depth.
  void ExpandAllNodes();
};
