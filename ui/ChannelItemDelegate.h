#pragma once
// In-place editing of the channel tree goes through the editor's rules:
// TChannelTreeEditor::TreeView1Editing decides whether an edit may start,
// TreeView1Edited takes the text when it ends.
#include <QStyledItemDelegate>

class TChannelTreeEditor;

class TChannelItemDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  TChannelItemDelegate(TChannelTreeEditor* editor, QObject* parent);

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  // The typed text in the file's encoding; one the encoding cannot hold is
  // refused with a message and the node keeps its text.
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;

 private:
  TChannelTreeEditor* FEditor;
};
