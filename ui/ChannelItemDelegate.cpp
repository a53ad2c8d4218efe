#include "ui/ChannelItemDelegate.h"

#include <QLineEdit>

#include "ui/ChannelItemModel.h"
#include "ui/ChannelTreeEditor.h"
#include "ui/FileText.h"

TChannelItemDelegate::TChannelItemDelegate(TChannelTreeEditor* editor, QObject* parent)
    : QStyledItemDelegate(parent), FEditor(editor) {}

QWidget* TChannelItemDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const {
  if (!FEditor->TreeView1Editing(index)) return nullptr;
  return QStyledItemDelegate::createEditor(parent, option, index);
}

void TChannelItemDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                        const QModelIndex& index) const {
  auto* line = qobject_cast<QLineEdit*>(editor);
  if (!line || !index.isValid()) return QStyledItemDelegate::setModelData(editor, model, index);
  const QString typed = line->text();
  const TTextEncoding encoding = FEditor->Model()->Encoding();
  auto text = TextToFileBytes(typed, encoding);
  if (!text) {
    ShowCharacterNotHeld(FirstCharacterNotHeld(typed, encoding));
    return;  // refused: the node keeps its text
  }
  FEditor->TreeView1Edited(index, *text);
}
