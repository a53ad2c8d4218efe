#include "ui/ChannelTreeEditor.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <optional>
#include <utility>
#include <vector>

#include "support/MessageBox.h"
#include "support/Translation.h"
#include "ui/ChannelItemModel.h"
#include "ui/ChannelTreeView.h"
#include "ui/FileText.h"

TChannelTreeEditor::TChannelTreeEditor(TChannelTreeView* tree, TUsedChannelLookup used,
                                       QObject* parent)
    : QObject(parent), FTree(tree), FModel(new TChannelItemModel(std::move(used), tree)) {
  FTree->setModel(FModel);
  connect(FModel, &TChannelItemModel::CharacterRefused, this, ShowCharacterNotHeld);
  FTree->installEventFilter(this);
  FTree->viewport()->installEventFilter(this);

  FPopupMenu1 = new QMenu(FTree);
  FPopupMenu1->setObjectName("PopupMenu1");
  FNeuerEintrag1 = FPopupMenu1->addAction("&add address (channel)");
  FNeuerEintrag1->setObjectName("NeuerEintrag1");
  FEintraglschen1 = FPopupMenu1->addAction("&delete address (channel)");
  FEintraglschen1->setObjectName("Eintraglschen1");
  connect(FPopupMenu1, &QMenu::aboutToShow, this, &TChannelTreeEditor::PopupMenu1Popup);
  connect(FNeuerEintrag1, &QAction::triggered, this, &TChannelTreeEditor::NeuerEintrag1Click);
  connect(FEintraglschen1, &QAction::triggered, this, &TChannelTreeEditor::Eintraglschen1Click);
}

void TChannelTreeEditor::LoadChannelTree(const TStrings& lines) {
  FModel->Load({});
  LoadChannelTree(TChannelTreeModel::FromLines(lines));
}

void TChannelTreeEditor::LoadChannelTree(TChannelTreeModel channels) {
  FModel->Load(std::move(channels));
}

void TChannelTreeEditor::StoreChannelTree(TStrings& lines) const {
  lines = FModel->Channels().Lines();
}

void TChannelTreeEditor::EnsurePlcRoot() {
  FModel->CleanUp();
}

bool TChannelTreeEditor::IsFreeNode(TNodeId node) const {
  return !FModel->IsUsedPath(FModel->Channels().Path(node));
}

void TChannelTreeEditor::ShowNotAllowedHere() const {
  ShowMessageBox(Tr("At this position it is not allowed to add an element!"), Tr("Error"),
                 MB_OK | MB_ICONERROR);
}

bool TChannelTreeEditor::TreeView1MouseDown(Qt::MouseButton button, const QPoint& viewportPos) {
  if (button != Qt::RightButton) return false;
  const QModelIndex node = FTree->indexAt(viewportPos);
  if (!node.isValid()) return true;
  if (!node.parent().isValid()) {
    ShowNotAllowedHere();
    return true;
  }
  FTree->setCurrentIndex(node);
  FAutoPopup = true;
  return true;
}

void TChannelTreeEditor::PopupMenu1Popup() {
  FAutoPopup = false;
}

void TChannelTreeEditor::OpenContextMenu(const QPoint& globalPos) {
  if (!FAutoPopup) return;
  FPopupMenu1->popup(globalPos);  // its aboutToShow runs PopupMenu1Popup
}

bool TChannelTreeEditor::TreeView1KeyDown(int key) {
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (const QModelIndex node = FTree->currentIndex(); TreeView1Editing(node)) FTree->edit(node);
      return true;
    case Qt::Key_Insert:
      NeuerEintrag1Click();
      return true;
    case Qt::Key_Delete:
      Eintraglschen1Click();
      return true;
    default:
      return false;
  }
}

bool TChannelTreeEditor::TreeView1Editing(const QModelIndex& node) const {
  return FModel->flags(node).testFlag(Qt::ItemIsEditable);
}

void TChannelTreeEditor::TreeView1Edited(const QModelIndex& node, std::string& text) {
  FModel->Edited(FModel->NodeOf(node), text);
}

void TChannelTreeEditor::RemoveNode(TNodeId node) {
  const TChannelTreeModel& channels = FModel->Channels();
  FModel->removeRow(channels.Row(node), FModel->IndexOf(channels.Parent(node)));
}

std::string TChannelTreeEditor::ProposeText(TNodeId container, TNodeId node) const {
  const TChannelTreeModel& channels = FModel->Channels();
  const int index = channels.Row(node);
  if (index == 0) return NamesDataBlock(channels.Text(container)) ? "1" : "0";
  const std::vector<TNodeId>& siblings = channels.Children(container);
  const std::string previous =
      TrimText(channels.Text(siblings[static_cast<std::size_t>(index) - 1]));
  std::string lead;
  std::optional<std::int32_t> number;
  if (!previous.empty() && previous[0] >= '0' && previous[0] <= '9') {
    number = TryStrToInt(previous);
  } else if (!previous.empty()) {
    lead = previous.substr(0, 1);
    number = TryStrToInt(std::string_view(previous).substr(1));
  }
  if (!number) return std::to_string(siblings.size());
  return lead + std::to_string(static_cast<std::int64_t>(*number) + 1);
}

void TChannelTreeEditor::NeuerEintrag1Click() {
  const TNodeId selected = FModel->NodeOf(FTree->currentIndex());
  if (selected == kNoNode) return;
  const TNodeId parent = FModel->Channels().Parent(selected);
  if (parent == kNoNode) {
    ShowNotAllowedHere();
    return;
  }
  TNodeId container = selected;
  if (FModel->DataWord(selected) == 0 && FModel->DataWord(parent) != 0) container = parent;

  const auto end = static_cast<int>(FModel->Channels().Children(container).size());
  FModel->insertRow(end, FModel->IndexOf(container));
  const TNodeId node = FModel->Channels().Children(container).back();
  std::string proposal = ProposeText(container, node);
  TreeView1Edited(FModel->IndexOf(node), proposal);

  FTree->expand(FModel->IndexOf(container));
  FTree->setFocus();
  const QModelIndex added = FModel->IndexOf(node);
  FTree->setCurrentIndex(added);
  FTree->edit(added);
}

void TChannelTreeEditor::Eintraglschen1Click() {
  const QModelIndex current = FTree->currentIndex();
  if (!TreeView1Editing(current)) return;
  const TChannelTreeModel& channels = FModel->Channels();
  const TNodeId node = FModel->NodeOf(current);
  std::string prefix = channels.PathPrefix(node);

  if (!channels.Children(node).empty()) {
    // A data block number goes only with its offsets, and only when none of
    // them is used.
    prefix += channels.Text(node);
    prefix += ';';
    const std::vector<TNodeId> children = channels.Children(node);
    for (const TNodeId child : children)
      if (!FModel->IsUsedPath(prefix + std::string(channels.Text(child)))) RemoveNode(child);
    if (channels.Children(node).empty()) RemoveNode(node);
  } else {
    const std::vector<TNodeId>& siblings = channels.Children(channels.Parent(node));
    const auto row = static_cast<std::size_t>(channels.Row(node));
    const TNodeId next = row + 1 < siblings.size() ? siblings[row + 1] : kNoNode;
    if (IsFreeNode(node)) RemoveNode(node);
    if (next != kNoNode) {
      std::string text(channels.Text(next));
      TreeView1Edited(FModel->IndexOf(next), text);
    }
  }
  FModel->RefreshImages();
}

bool TChannelTreeEditor::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (watched == FTree->viewport()) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        return TreeView1MouseDown(mouse->button(), mouse->position().toPoint());
      }
      break;
    case QEvent::ContextMenu:
      OpenContextMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
      return true;
    case QEvent::KeyPress:
      if (watched == FTree && !FTree->IsEditing())
        return TreeView1KeyDown(static_cast<QKeyEvent*>(event)->key());
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}
