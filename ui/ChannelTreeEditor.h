#pragma once
// The channel tree editor of the configuration dialog: the driver's channel
// definitions shown as a tree of PLC addresses (root "SPS", the areas, the
// addresses, data block numbers and offsets), checked at every edit, with
// the channels that a hardware block uses protected.
#include <QModelIndex>
#include <QObject>
#include <string>

#include "config/ChannelTreeModel.h"
#include "support/VNUtils.h"

class QAction;
class QMenu;
class QPoint;
class TChannelItemModel;
class TChannelTreeView;

class TChannelTreeEditor : public QObject {
  Q_OBJECT

 public:
  // Shows its nodes in tree (not owned; its parent owns it). used answers
  // whether a hardware block uses the channel of a path; it is consulted,
  // never changed.
  TChannelTreeEditor(TChannelTreeView* tree, TUsedChannelLookup used, QObject* parent = nullptr);

  TChannelTreeView* Tree() const { return FTree; }
  TChannelItemModel* Model() const { return FModel; }
  QMenu* PopupMenu1() const { return FPopupMenu1; }
  QAction* NeuerEintrag1() const { return FNeuerEintrag1; }
  QAction* Eintraglschen1() const { return FEintraglschen1; }

  // Replaces the tree by the channels' nodes and pictures them.
  void LoadChannelTree(TChannelTreeModel channels);
  // The same for channel lines; what TChannelTreeModel::FromLines raises
  // leaves the tree empty.
  void LoadChannelTree(const TStrings& lines);
  // Replaces lines by the tree in pre-order, one TAB per level.
  void StoreChannelTree(TStrings& lines) const;
  // OK's clean-up of the tree as it is now (TChannelItemModel::CleanUp).
  void EnsurePlcRoot();

  // Handlers of the tree and its popup menu. MouseDown and KeyDown return
  // whether they consumed the event.
  bool TreeView1MouseDown(Qt::MouseButton button, const QPoint& viewportPos);
  void PopupMenu1Popup();
  bool TreeView1KeyDown(int key);
  // Whether node may be edited in place (and deleted): the model's flags().
  bool TreeView1Editing(const QModelIndex& node) const;
  // The model's check of an edit's end (TChannelItemModel::Edited), for
  // adding and deleting; without asking flags(), since deleting re-checks
  // the following entry even when it is used. The view's own edits end in
  // the model's setData.
  void TreeView1Edited(const QModelIndex& node, std::string& text);
  void NeuerEintrag1Click();
  void Eintraglschen1Click();

  // Whether the next context-menu request opens PopupMenu1.
  bool AutoPopup() const { return FAutoPopup; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Removes node with its subtree through the model's removeRows.
  void RemoveNode(TNodeId node);
  bool IsFreeNode(TNodeId node) const;
  void ShowNotAllowedHere() const;
  void OpenContextMenu(const QPoint& globalPos);
  std::string ProposeText(TNodeId container, TNodeId node) const;

  TChannelTreeView* FTree;
  TChannelItemModel* FModel;
  QMenu* FPopupMenu1;
  QAction* FNeuerEintrag1;
  QAction* FEintraglschen1;
  bool FAutoPopup = false;
};
