#include "ChannelTree.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QEvent>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <optional>
#include <vector>

#include "ChannelEntryCheck.h"
#include "ChannelTreeModel.h"
#include "FileText.h"
#include "HW_Channels.h"
#include "Localization.h"
#include "MessageBox.h"
#include "TextCodec.h"
#include "VNErrors.h"

namespace {

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

QPixmap PaintIcon(int image) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  switch (image) {
    case NodeInvalid: {
      painter.setPen(Qt::NoPen);
      painter.setBrush(Qt::white);
      painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
      painter.setPen(QPen(QColor(0xd0, 0x10, 0x10), 2.4));
      painter.setBrush(Qt::NoBrush);
      painter.drawEllipse(QRectF(2.2, 2.2, 11.6, 11.6));
      painter.drawLine(QPointF(4.2, 4.2), QPointF(11.8, 11.8));
      break;
    }
    case NodeUsed: {
      QPainterPath triangle;
      triangle.moveTo(8, 1);
      triangle.lineTo(15, 14.5);
      triangle.lineTo(1, 14.5);
      triangle.closeSubpath();
      painter.setPen(QPen(QColor(0x80, 0x60, 0x00), 1));
      painter.setBrush(QColor(0xff, 0xd2, 0x00));
      painter.drawPath(triangle);
      painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::FlatCap));
      painter.drawLine(QPointF(8, 5), QPointF(8, 10));
      painter.setPen(Qt::NoPen);
      painter.setBrush(Qt::black);
      painter.drawEllipse(QPointF(8, 12.3), 1.1, 1.1);
      break;
    }
    default: {
      painter.setPen(
          QPen(QColor(0x10, 0xa0, 0x20), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      painter.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6, 12.5), QPointF(13.5, 3.5)}));
      break;
    }
  }
  return pixmap;
}

// Whether some ";"-separated field of path is not blank; the card's lookup
// refuses paths without one, and such a path names no channel anyway.
bool HasNonBlankField(std::string_view path) {
  return std::any_of(path.begin(), path.end(),
                     [](char c) { return c != ';' && static_cast<unsigned char>(c) > ' '; });
}

TChannelNode* AsChannelNode(QTreeWidgetItem* item) {
  return item && item->type() == TChannelNode::NodeType ? static_cast<TChannelNode*>(item)
                                                        : nullptr;
}

const TChannelNode* AsChannelNode(const QTreeWidgetItem* item) {
  return AsChannelNode(const_cast<QTreeWidgetItem*>(item));
}

void SetNodeImage(QTreeWidgetItem* node, int image) {
  if (TChannelNode* channelNode = AsChannelNode(node)) channelNode->SetImage(image);
}

QTreeWidgetItem* NewNode(QTreeWidgetItem* container, const std::string& text) {
  auto* node = new TChannelNode(container);
  node->setFlags(node->flags() | Qt::ItemIsEditable);
  SetNodeText(node, text);
  return node;
}

// In-place editing goes through the editor's rules: TreeView1Editing decides
// whether an edit may start, TreeView1Edited takes the text when it ends.
class TChannelItemDelegate : public QStyledItemDelegate {
 public:
  TChannelItemDelegate(TChannelTreeEditor* editor, TChannelTreeView* tree)
      : QStyledItemDelegate(tree), FEditor(editor), FTree(tree) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    if (!FEditor->TreeView1Editing(FTree->itemFromIndex(index))) return nullptr;
    return QStyledItemDelegate::createEditor(parent, option, index);
  }

  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    auto* line = qobject_cast<QLineEdit*>(editor);
    QTreeWidgetItem* node = FTree->itemFromIndex(index);
    if (!line || !node) return QStyledItemDelegate::setModelData(editor, model, index);
    const QString typed = line->text();
    auto text = TextToFileBytes(typed, FTree->Encoding());
    if (!text) {
      ShowCharacterNotHeld(FirstCharacterNotHeld(typed, FTree->Encoding()));
      return;  // refused: the node keeps its text
    }
    FEditor->TreeView1Edited(node, *text);
  }

 private:
  TChannelTreeEditor* FEditor;
  TChannelTreeView* FTree;
};

}  // namespace

const QIcon& NodeIcon(int image) {
  static const std::array<QIcon, 3> icons{QIcon(PaintIcon(NodeInvalid)), QIcon(PaintIcon(NodeUsed)),
                                          QIcon(PaintIcon(NodeValid))};
  return icons[static_cast<std::size_t>(std::clamp(image, 0, 2))];
}

TChannelTreeView::TChannelTreeView(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(1);
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
  std::vector<QTreeWidgetItem*> pending;
  const QTreeWidgetItem* root = invisibleRootItem();
  for (int i = root->childCount() - 1; i >= 0; --i) pending.push_back(root->child(i));
  while (!pending.empty()) {
    QTreeWidgetItem* node = pending.back();
    pending.pop_back();
    if (node->childCount() == 0) continue;
    node->setExpanded(true);
    for (int i = node->childCount() - 1; i >= 0; --i) pending.push_back(node->child(i));
  }
}

TTextEncoding TChannelNode::Encoding() const {
  const auto* view = qobject_cast<const TChannelTreeView*>(treeWidget());
  return view ? view->Encoding() : TTextEncoding::Utf8;
}

QVariant TChannelNode::data(int column, int role) const {
  if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole))
    return FileBytesToText(FText.View(), Encoding());
  if (column == 0 && role == Qt::DecorationRole)
    return FImage < 0 ? QVariant() : QVariant(NodeIcon(FImage));
  return QTreeWidgetItem::data(column, role);
}

void TChannelNode::setData(int column, int role, const QVariant& value) {
  if (column != 0 || (role != Qt::DisplayRole && role != Qt::EditRole))
    return QTreeWidgetItem::setData(column, role, value);
  const QString text = value.toString();
  if (const auto bytes = TextToFileBytes(text, Encoding())) {
    SetText(*bytes);
  } else {
    ShowCharacterNotHeld(FirstCharacterNotHeld(text, Encoding()));
  }
}

std::string_view TNodeText::View() const {
  if (OnHeap()) return {FBytes.Heap.Data, FBytes.Heap.Size};
  return {FBytes.InPlace, static_cast<unsigned char>(FBytes.InPlace[kInPlace])};
}

void TNodeText::Assign(std::string_view text) {
  Release();
  if (text.size() <= kInPlace) {
    std::copy(text.begin(), text.end(), FBytes.InPlace);
    FBytes.InPlace[kInPlace] = static_cast<char>(text.size());
    return;
  }
  auto data = std::make_unique<char[]>(text.size());
  std::copy(text.begin(), text.end(), data.get());
  FBytes.Heap = {data.release(), text.size()};
  FBytes.InPlace[kInPlace] = static_cast<char>(kOnHeap);
}

void TNodeText::Release() {
  if (OnHeap()) std::unique_ptr<char[]>(FBytes.Heap.Data).reset();
  FBytes.InPlace[kInPlace] = 0;
}

void TChannelNode::SetText(std::string_view text) {
  if (text == FText.View()) return;
  FText.Assign(text);
  emitDataChanged();
}

void TChannelNode::SetDataWord(int value) {
  FDataWord = static_cast<std::int16_t>(std::clamp<int>(value, INT16_MIN, INT16_MAX));
}

void TChannelNode::SetImage(int image) {
  if (image == FImage) return;
  FImage = static_cast<std::int8_t>(image);
  emitDataChanged();
}

std::string NodeText(const QTreeWidgetItem* node) {
  const TChannelNode* channelNode = AsChannelNode(node);
  return channelNode ? std::string(channelNode->Text()) : std::string();
}

void SetNodeText(QTreeWidgetItem* node, const std::string& text) {
  if (TChannelNode* channelNode = AsChannelNode(node)) channelNode->SetText(text);
}

int NodeDataWord(const QTreeWidgetItem* node) {
  const TChannelNode* channelNode = AsChannelNode(node);
  return channelNode ? channelNode->DataWord() : 0;
}

void SetNodeDataWord(QTreeWidgetItem* node, int value) {
  if (TChannelNode* channelNode = AsChannelNode(node)) channelNode->SetDataWord(value);
}

int NodeImage(const QTreeWidgetItem* node) {
  const TChannelNode* channelNode = AsChannelNode(node);
  return channelNode ? channelNode->Image() : -1;
}

int NodeLevel(const QTreeWidgetItem* node) {
  int level = 0;
  for (const QTreeWidgetItem* up = node->parent(); up; up = up->parent()) ++level;
  return level;
}

TChannelTreeEditor::TChannelTreeEditor(TChannelTreeView* tree, TChannelLookup lookup,
                                       QObject* parent)
    : QObject(parent), FTree(tree), FLookup(std::move(lookup)) {
  FTree->setItemDelegate(new TChannelItemDelegate(this, FTree));
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
  FTree->clear();
  LoadChannelTree(TChannelTreeModel::FromLines(lines));
}

void TChannelTreeEditor::LoadChannelTree(const TChannelTreeModel& channels) {
  FTree->clear();
  // The nodes are built, numbered and pictured before they join the tree:
  // one insertion instead of one model update per node.
  auto holder = std::make_unique<QTreeWidgetItem>();
  std::vector<QTreeWidgetItem*> lastAtLevel;  // the path to the node made last
  channels.ForEachPreOrder([&](TNodeId node, int level) {
    QTreeWidgetItem* container = level == 0 ? holder.get() : lastAtLevel[level - 1];
    lastAtLevel.resize(static_cast<std::size_t>(level));
    lastAtLevel.push_back(NewNode(container, std::string(channels.Text(node))));
  });
  AssignChain(holder.get(), 0, 0, 0);
  RefreshChain(holder.get(), 0, 0, {});
  FTree->addTopLevelItems(holder->takeChildren());
}

void TChannelTreeEditor::StoreChannelTree(TStrings& lines) const {
  lines.clear();
  // Pre-order without recursion: (node, level) pairs, next sibling on top.
  std::vector<std::pair<const QTreeWidgetItem*, int>> pending;
  const QTreeWidgetItem* root = FTree->invisibleRootItem();
  for (int i = root->childCount() - 1; i >= 0; --i) pending.emplace_back(root->child(i), 0);
  while (!pending.empty()) {
    const auto [node, level] = pending.back();
    pending.pop_back();
    lines.push_back(std::string(static_cast<std::size_t>(level), '\t') + NodeText(node));
    for (int i = node->childCount() - 1; i >= 0; --i)
      pending.emplace_back(node->child(i), level + 1);
  }
}

void TChannelTreeEditor::EnsurePlcRoot() {
  // A lone "SPS" root is what every clean-up leaves; a plant's tree of a
  // million nodes is not copied on each visit of the page to learn that.
  if (FTree->topLevelItemCount() == 1 && NodeText(FTree->topLevelItem(0)) == "SPS") return;
  TStrings lines;
  StoreChannelTree(lines);
  TChannelTreeModel channels = TChannelTreeModel::FromLines(lines);
  if (channels.CleanUp(UsedChannelLookup())) LoadChannelTree(channels);
}

TUsedChannelLookup TChannelTreeEditor::UsedChannelLookup() const {
  return [this](std::string_view path) { return !IsFreeKey(std::string(path)); };
}

void TChannelTreeEditor::AssignNodeDepths(QTreeWidgetItem* node) {
  if (!node) return;
  QTreeWidgetItem* container = ContainerOf(node);
  const int level = NodeLevel(node);
  const int parentDepth = node->parent() ? NodeDataWord(node->parent()) : 0;
  AssignChain(container, container->indexOfChild(node), level, parentDepth);
}

void TChannelTreeEditor::AssignChain(QTreeWidgetItem* container, int start, int level,
                                     int parentDepth) {
  // Without recursion: a channel text may nest as deep as it has lines.
  struct TPending {
    QTreeWidgetItem* Node;
    int Level;
    int ParentDepth;
  };
  std::vector<TPending> pending;
  for (int i = container->childCount() - 1; i >= start; --i)
    pending.push_back({container->child(i), level, parentDepth});
  while (!pending.empty()) {
    const TPending item = pending.back();
    pending.pop_back();
    int depth = item.ParentDepth - 1;
    if (item.Level == 0) depth = 0;
    if (item.Level == 1) depth = NamesDataBlock(NodeText(item.Node)) ? 2 : 1;
    SetNodeDataWord(item.Node, depth);
    for (int i = item.Node->childCount() - 1; i >= 0; --i)
      pending.push_back({item.Node->child(i), item.Level + 1, depth});
  }
}

int TChannelTreeEditor::RefreshNodeImages(QTreeWidgetItem* node) {
  if (!node) return NodeValid;
  QTreeWidgetItem* container = ContainerOf(node);
  return RefreshChain(container, container->indexOfChild(node), NodeLevel(node),
                      NodePathPrefix(node));
}

int TChannelTreeEditor::RefreshChain(QTreeWidgetItem* container, int start, int level,
                                     const std::string& prefix) {
  // Post-order without recursion. One path buffer serves every level: a
  // frame's prefix is the buffer's first PrefixLength characters.
  struct TFrame {
    QTreeWidgetItem* Container;
    int Next;
    int Level;
    std::size_t PrefixLength;
    int Lowest;
  };
  std::string path = prefix;
  std::vector<TFrame> frames{{container, start, level, path.size(), INT_MAX}};
  for (;;) {
    TFrame& frame = frames.back();
    if (frame.Next >= frame.Container->childCount()) {
      const int lowest = frame.Lowest == INT_MAX ? NodeValid : frame.Lowest;
      QTreeWidgetItem* finished = frame.Container;
      frames.pop_back();
      if (frames.empty()) return lowest;
      // A marked data block number stays red whatever its offsets show.
      const int image = Contains(NodeText(finished), "<") ? NodeInvalid : lowest;
      if (NodeImage(finished) != image) SetNodeImage(finished, image);
      frames.back().Lowest = std::min(frames.back().Lowest, image);
      continue;
    }
    QTreeWidgetItem* node = frame.Container->child(frame.Next++);
    const std::string text = NodeText(node);
    path.resize(frame.PrefixLength);
    if (node->childCount() > 0) {
      path += text;
      path += ';';
      frames.push_back({node, 0, frame.Level + 1, path.size(), INT_MAX});
      continue;
    }
    int image = NodeValid;
    if (frame.Level == 1) {
      image = NodeValid;
    } else if (Contains(text, "<")) {
      image = NodeInvalid;
    } else {
      path += text;
      image = IsFreeKey(path) ? NodeValid : NodeUsed;
    }
    if (NodeImage(node) != image) SetNodeImage(node, image);
    frame.Lowest = std::min(frame.Lowest, image);
  }
}

void TChannelTreeEditor::ValidateSiblings(QTreeWidgetItem* node, std::string& text) {
  text = TrimText(text);
  SetNodeText(node, text);
  const int level = NodeLevel(node);
  const QTreeWidgetItem* area = node;  // the ancestor at level 1
  while (area->parent() && area->parent()->parent()) area = area->parent();
  const TChannelNodeKind kind = ChannelNodeKindAt(NodeText(area), level);

  QTreeWidgetItem* container = ContainerOf(node);
  // Markers of earlier checks go before the entries are checked again.
  for (int i = 0; i < container->childCount(); ++i) {
    QTreeWidgetItem* child = container->child(i);
    SetNodeText(child, CleanChannelEntry(NodeText(child)));
  }
  for (int i = 0; i < container->childCount(); ++i) {
    QTreeWidgetItem* child = container->child(i);
    std::string checked = NodeText(child);
    // The marker goes into the node text, so in the file's encoding.
    const std::string_view marker = ChannelEntryMarker(checked, kind);
    if (!marker.empty()) checked += OwnTextToFileBytes(marker, FTree->Encoding());
    if (child == node) {
      text = checked;
    } else {
      SetNodeText(child, checked);
    }
  }
}

std::string TChannelTreeEditor::NodePathPrefix(const QTreeWidgetItem* node) const {
  std::vector<const QTreeWidgetItem*> ancestors;
  for (const QTreeWidgetItem* up = node->parent(); up; up = up->parent()) ancestors.push_back(up);
  std::string prefix;
  for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
    prefix += NodeText(*it);
    prefix += ';';
  }
  return prefix;
}

std::string TChannelTreeEditor::NodeKey(const QTreeWidgetItem* node) const {
  return NodePathPrefix(node) + NodeText(node);
}

bool TChannelTreeEditor::IsFreeKey(const std::string& key) const {
  if (!FLookup || !HasNonBlankField(key)) return true;
  return !IsUsed(FLookup(key));
}

bool TChannelTreeEditor::IsFreeNode(const QTreeWidgetItem* node) const {
  return IsFreeKey(NodeKey(node));
}

QTreeWidgetItem* TChannelTreeEditor::ContainerOf(const QTreeWidgetItem* node) const {
  return node->parent() ? node->parent() : FTree->invisibleRootItem();
}

void TChannelTreeEditor::ShowNotAllowedHere() const {
  ShowMessageBox(Tr("At this position it is not allowed to add an element!"), Tr("Error"),
                 MB_OK | MB_ICONERROR);
}

bool TChannelTreeEditor::TreeView1MouseDown(Qt::MouseButton button, const QPoint& viewportPos) {
  if (button != Qt::RightButton) return false;
  QTreeWidgetItem* node = FTree->itemAt(viewportPos);
  if (!node) return true;
  if (!node->parent()) {
    ShowNotAllowedHere();
    return true;
  }
  FTree->setCurrentItem(node);
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
      if (QTreeWidgetItem* node = FTree->currentItem(); node && TreeView1Editing(node))
        FTree->editItem(node);
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

bool TChannelTreeEditor::TreeView1Editing(const QTreeWidgetItem* node) const {
  if (!node || !node->parent()) return false;
  const int depth = NodeDataWord(node);
  const bool channelLeaf = depth == 0;
  const bool dataBlockNumber = depth == 1 && NamesDataBlock(NodeText(node->parent()));
  return (channelLeaf || dataBlockNumber) && IsFreeNode(node);
}

void TChannelTreeEditor::TreeView1Edited(QTreeWidgetItem* node, std::string& text) {
  if (!node->parent()) {
    SetNodeText(node, text);
    return;
  }
  ValidateSiblings(node, text);
  SetNodeText(node, text);
  RefreshNodeImages(FTree->topLevelItem(0));
}

std::string TChannelTreeEditor::ProposeText(const QTreeWidgetItem* container,
                                            const QTreeWidgetItem* node) const {
  const int index = container->indexOfChild(const_cast<QTreeWidgetItem*>(node));
  if (index == 0) return NamesDataBlock(NodeText(container)) ? "1" : "0";
  const std::string previous = TrimText(NodeText(container->child(index - 1)));
  std::string lead;
  std::optional<std::int32_t> number;
  if (!previous.empty() && previous[0] >= '0' && previous[0] <= '9') {
    number = TryStrToInt(previous);
  } else if (!previous.empty()) {
    lead = previous.substr(0, 1);
    number = TryStrToInt(std::string_view(previous).substr(1));
  }
  if (!number) return std::to_string(container->childCount());
  return lead + std::to_string(static_cast<std::int64_t>(*number) + 1);
}

void TChannelTreeEditor::NeuerEintrag1Click() {
  QTreeWidgetItem* selected = FTree->currentItem();
  if (!selected) return;
  if (!selected->parent()) {
    ShowNotAllowedHere();
    return;
  }
  QTreeWidgetItem* container = selected;
  if (NodeDataWord(selected) == 0 && NodeDataWord(selected->parent()) != 0)
    container = selected->parent();

  QTreeWidgetItem* node = NewNode(container, {});
  std::string proposal = ProposeText(container, node);
  SetNodeText(node, proposal);
  SetNodeDataWord(node, NodeDataWord(container) - 1);
  TreeView1Edited(node, proposal);

  container->setExpanded(true);
  FTree->setFocus();
  FTree->setCurrentItem(node);
  FTree->editItem(node);
}

void TChannelTreeEditor::Eintraglschen1Click() {
  QTreeWidgetItem* node = FTree->currentItem();
  if (!node || !TreeView1Editing(node)) return;
  QTreeWidgetItem* top = node;
  while (top->parent()) top = top->parent();
  std::string prefix = NodePathPrefix(node);

  if (node->childCount() > 0) {
    // A data block number goes only with its offsets, and only when none of
    // them is used.
    prefix += NodeText(node) + ';';
    for (int i = 0; i < node->childCount();) {
      QTreeWidgetItem* child = node->child(i);
      if (IsFreeKey(prefix + NodeText(child))) {
        delete child;
      } else {
        ++i;
      }
    }
    if (node->childCount() == 0) delete node;
  } else {
    QTreeWidgetItem* container = ContainerOf(node);
    QTreeWidgetItem* next = container->child(container->indexOfChild(node) + 1);
    if (IsFreeKey(prefix + NodeText(node))) delete node;
    if (next) {
      std::string text = NodeText(next);
      TreeView1Edited(next, text);
    }
  }
  RefreshNodeImages(top);
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
