#pragma once
// The channel tree editor of the configuration dialog: the driver's channel
// definitions shown as a tree of PLC addresses (root "SPS", the areas, the
// addresses, data block numbers and offsets), checked at every edit, with
// the channels that a hardware block uses protected.
#include <QObject>
#include <QTreeWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ChannelTreeModel.h"
#include "TextCodec.h"
#include "VNUtils.h"

class QMenu;
class QAction;
class QIcon;
class TChannel;

// The card's channel lookup by address path ("SPS;E;5", "SPS;DB;10;4");
// null when no channel has that path.
using TChannelLookup = std::function<const TChannel*(std::string_view path)>;

// Indices of the three node pictures; a node with children shows the lowest
// index among them, so the worst state shows on every ancestor.
enum TNodeImage : int {
  NodeInvalid = 0,  // red prohibition sign: the text carries a marker
  NodeUsed = 1,     // yellow exclamation mark: a hardware block uses it
  NodeValid = 2,    // green check mark: valid and free
};

// The 16 x 16 picture for a TNodeImage index, painted once per run.
const QIcon& NodeIcon(int image);

// The tree widget of the page. Only widens access to the item/index mapping
// that the in-place editor needs.
class TChannelTreeView : public QTreeWidget {
  Q_OBJECT
 public:
  explicit TChannelTreeView(QWidget* parent = nullptr);
  using QTreeWidget::indexFromItem;
  using QTreeWidget::itemFromIndex;
  // Whether an in-place editor is open; keys that end the edit reach the
  // tree as well and must not act on it a second time.
  bool IsEditing() const { return state() == QAbstractItemView::EditingState; }
  // The encoding of the configuration file the node texts come from.
  TTextEncoding Encoding() const { return FEncoding; }
  void SetEncoding(TTextEncoding encoding) { FEncoding = encoding; }
  // Expands every node, top-down and without recursion, whatever the depth.
  void ExpandAllNodes();

 private:
  TTextEncoding FEncoding = TTextEncoding::Utf8;
};

// A node text in 24 bytes: up to 23 bytes in place (the usual address
// numbers), longer texts on the heap.
class TNodeText {
 public:
  TNodeText() = default;
  TNodeText(const TNodeText&) = delete;
  TNodeText& operator=(const TNodeText&) = delete;
  ~TNodeText() { Release(); }

  std::string_view View() const;
  void Assign(std::string_view text);

 private:
  static constexpr std::size_t kInPlace = 23;
  static constexpr unsigned char kOnHeap = 0xFF;
  struct THeapText {
    char* Data;
    std::size_t Size;
  };
  bool OnHeap() const { return FBytes.InPlace[kInPlace] == static_cast<char>(kOnHeap); }
  void Release();

  // InPlace[kInPlace] is the length of an in-place text, or kOnHeap.
  union {
    char InPlace[kInPlace + 1];
    THeapText Heap;
  } FBytes{};
};

// A node of the channel tree. It keeps its text as the bytes of the channel
// line (shown decoded in the tree's encoding, so that bytes it cannot show
// still go back to the file unchanged), its data word and its picture
// index, and nothing else: a channel block of 100,000 leaves stays small.
class TChannelNode : public QTreeWidgetItem {
 public:
  static constexpr int NodeType = QTreeWidgetItem::UserType + 1;
  TChannelNode() : QTreeWidgetItem(NodeType) {}
  explicit TChannelNode(QTreeWidgetItem* parent) : QTreeWidgetItem(parent, NodeType) {}

  QVariant data(int column, int role) const override;
  // A text set through the model is taken in the tree's encoding; one the
  // encoding cannot hold is refused with a message.
  void setData(int column, int role, const QVariant& value) override;

  std::string_view Text() const { return FText.View(); }
  void SetText(std::string_view text);
  int DataWord() const { return FDataWord; }
  // Depths stay far inside 16 bits: the file size limit allows about
  // 11,600 levels. Values beyond are held at the ends of the range.
  void SetDataWord(int value);
  int Image() const { return FImage; }
  void SetImage(int image);

 private:
  TTextEncoding Encoding() const;

  // The two small fields first: they fill the end of the base class.
  std::int16_t FDataWord = 0;
  std::int8_t FImage = -1;
  TNodeText FText;
};

// Per-node state, kept in the TChannelNode itself so that the tree is the
// only store. Items of another type have none: empty text, 0, -1.
std::string NodeText(const QTreeWidgetItem* node);
void SetNodeText(QTreeWidgetItem* node, const std::string& text);
// The data word: the remaining depth (levels expected below the node).
int NodeDataWord(const QTreeWidgetItem* node);
void SetNodeDataWord(QTreeWidgetItem* node, int value);
// The TNodeImage the node shows; -1 before the first RefreshNodeImages.
int NodeImage(const QTreeWidgetItem* node);
// 0 for a top-level node.
int NodeLevel(const QTreeWidgetItem* node);

class TChannelTreeEditor : public QObject {
  Q_OBJECT

 public:
  // Works on tree (not owned; its parent owns it). lookup answers whether a
  // channel exists and is used; it is consulted, never changed.
  TChannelTreeEditor(TChannelTreeView* tree, TChannelLookup lookup, QObject* parent = nullptr);

  TChannelTreeView* Tree() const { return FTree; }
  QMenu* PopupMenu1() const { return FPopupMenu1; }
  QAction* NeuerEintrag1() const { return FNeuerEintrag1; }
  QAction* Eintraglschen1() const { return FEintraglschen1; }

  // Replaces the tree by the channels' nodes, then assigns the remaining
  // depths and images.
  void LoadChannelTree(const TChannelTreeModel& channels);
  // The same for channel lines; what TChannelTreeModel::FromLines raises
  // leaves the tree empty.
  void LoadChannelTree(const TStrings& lines);
  // Replaces lines by the tree in pre-order, one TAB per level.
  void StoreChannelTree(TStrings& lines) const;
  // OK's clean-up (TChannelTreeModel::CleanUp) of the tree as it is now; the
  // tree is rebuilt only when the clean-up changed it.
  void EnsurePlcRoot();
  // Whether the channel of a path is used, as the lookup answers.
  TUsedChannelLookup UsedChannelLookup() const;
  // Remaining depths of node, its subtree and its following siblings.
  void AssignNodeDepths(QTreeWidgetItem* node);
  // Images of node, its subtree and its following siblings; returns the
  // lowest image among them (NodeValid for no node at all).
  int RefreshNodeImages(QTreeWidgetItem* node);
  // Checks and normalises the entries at node's level; text is node's new
  // text in and its checked text (with a marker when invalid) out.
  void ValidateSiblings(QTreeWidgetItem* node, std::string& text);
  // Texts of the ancestors from the top, each followed by ";" ("SPS;E;").
  std::string NodePathPrefix(const QTreeWidgetItem* node) const;
  // The node's address path: prefix and own text.
  std::string NodeKey(const QTreeWidgetItem* node) const;

  // Handlers of the tree and its popup menu. MouseDown and KeyDown return
  // whether they consumed the event.
  bool TreeView1MouseDown(Qt::MouseButton button, const QPoint& viewportPos);
  void PopupMenu1Popup();
  bool TreeView1KeyDown(int key);
  // Whether node may be edited in place (and deleted).
  bool TreeView1Editing(const QTreeWidgetItem* node) const;
  // After an in-place edit ended with text (not after a cancelled one).
  void TreeView1Edited(QTreeWidgetItem* node, std::string& text);
  void NeuerEintrag1Click();
  void Eintraglschen1Click();

  // Whether the next context-menu request opens PopupMenu1.
  bool AutoPopup() const { return FAutoPopup; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool IsFreeKey(const std::string& key) const;
  bool IsFreeNode(const QTreeWidgetItem* node) const;
  void AssignChain(QTreeWidgetItem* container, int start, int level, int parentDepth);
  int RefreshChain(QTreeWidgetItem* container, int start, int level, const std::string& prefix);
  QTreeWidgetItem* ContainerOf(const QTreeWidgetItem* node) const;
  void ShowNotAllowedHere() const;
  void OpenContextMenu(const QPoint& globalPos);
  std::string ProposeText(const QTreeWidgetItem* container, const QTreeWidgetItem* node) const;

  TChannelTreeView* FTree;
  TChannelLookup FLookup;
  QMenu* FPopupMenu1;
  QAction* FNeuerEintrag1;
  QAction* FEintraglschen1;
  bool FAutoPopup = false;
};
