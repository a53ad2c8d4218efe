#pragma once
// The channel tree editor of the configuration dialog: the driver's channel
// definitions shown as a tree of PLC addresses (root "SPS", the areas, the
// addresses, data block numbers and offsets), checked at every edit, with
// the channels that a hardware block uses protected.
#include <QObject>
#include <QTreeWidget>
#include <functional>
#include <string>

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
};

// Per-node state, kept in item data roles so that the tree itself is the
// only store.
std::string NodeText(const QTreeWidgetItem* node);
void SetNodeText(QTreeWidgetItem* node, const std::string& text);
// The data word: the remaining depth (levels expected below the node); on
// top-level nodes it briefly marks the "SPS" root inside EnsurePlcRoot.
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

  // Replaces the tree by the channel lines (one node per line, one leading
  // TAB or blank per level), then assigns the remaining depths and images.
  // A line more than one level deeper than the one before raises
  // ETreeLevelError "Ungültige Ebene (%d) für Eintrag "%s"" and leaves the
  // tree empty.
  void LoadChannelTree(const TStrings& lines);
  // Replaces lines by the tree in pre-order, one TAB per level.
  void StoreChannelTree(TStrings& lines) const;
  // Guarantees the "SPS" root (with the six areas when it was missing) and
  // removes every other top-level node that holds no used channel.
  void EnsurePlcRoot();
  // Remaining depths of node, its subtree and its following siblings.
  void AssignNodeDepths(QTreeWidgetItem* node);
  // Images of node, its subtree and its following siblings; returns the
  // lowest image among them (NodeValid for no node at all).
  int RefreshNodeImages(QTreeWidgetItem* node);
  // Whether a childless node showing NodeUsed lies in node's subtree.
  bool HasUsedChannel(const QTreeWidgetItem* node) const;
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
