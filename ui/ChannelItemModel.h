#pragma once
// The channel block as the tree view sees it: the toolkit's item model over
// the dialog's working copy of the channel-tree model. It copies no node; a
// row is named by the node's id, so a block of a million leaves costs the
// view only the rows it shows. The model keeps besides the nodes only their
// pictures, one byte each.
#include <QAbstractItemModel>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/ChannelTreeModel.h"
#include "support/TextCodec.h"

class TChannelItemModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  // used answers whether a hardware block uses the channel of a path; empty:
  // none is.
  explicit TChannelItemModel(TUsedChannelLookup used, QObject* parent = nullptr);

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  // The text decoded in the file's encoding, so that bytes it cannot show
  // still go back to the file unchanged; the picture as decoration.
  QVariant data(const QModelIndex& index, int role) const override;
  // Editable are the entries below an area, a channel leaf or a data block
  // number, whose channel no hardware block uses; the root and the areas
  // never are.
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // The end of an in-place edit: the text is taken in the file's encoding
  // and checked with the entries of its level (Edited). Returns false, and
  // every text stays, for a node flags() does not let edit and for a text
  // the encoding cannot hold; the latter emits CharacterRefused.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  // count new nodes with empty texts at row of parent; false for a row
  // outside 0..rowCount(parent).
  bool insertRows(int row, int count, const QModelIndex& parent = {}) override;
  // count nodes from row of parent, each with its subtree; false for rows
  // parent does not have.
  bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

  // Replaces the nodes by channels and pictures them.
  void Load(TChannelTreeModel channels);
  const TChannelTreeModel& Channels() const { return FChannels; }
  // The encoding of the configuration file the node texts come from.
  TTextEncoding Encoding() const { return FEncoding; }
  void SetEncoding(TTextEncoding encoding) { FEncoding = encoding; }
  // Whether the channel of path is used, as the lookup answers.
  bool IsUsedPath(std::string_view path) const { return FUsed && FUsed(path); }
  const TUsedChannelLookup& UsedLookup() const { return FUsed; }

  // kNoNode for the invalid index (the invisible root).
  TNodeId NodeOf(const QModelIndex& index) const;
  QModelIndex IndexOf(TNodeId node) const;

  // text as the end of an edit of node gives it: a top-level node takes it
  // as it is; any other node takes it trimmed, every entry of its level is
  // checked and gets the marker of its check (ValidateSiblings), and all
  // nodes are pictured afresh. text is the node's new text on return. Not
  // bound to flags(): adding and deleting re-check entries that are used.
  void Edited(TNodeId node, std::string& text);

  // The TNodeImage the node shows; -1 before it was pictured.
  int Image(TNodeId node) const;
  // The levels expected below the node: 0 for a top-level node and for a
  // channel leaf, 2 for an area that names a data block, 1 for another area.
  int DataWord(TNodeId node) const;
  // Marks the used channels afresh and pictures every node: a leaf by its
  // marker and use, a node with children by the worst of them (a marked data
  // block number stays red whatever its offsets show). Returns the lowest
  // picture of the top level (NodeValid for no node).
  int RefreshImages();
  // OK's clean-up (TChannelTreeModel::CleanUp) of the nodes as they are; the
  // view is rebuilt only when it changed them.
  void CleanUp();

 signals:
  // setData refused a text because the file's encoding cannot hold
  // character; the view tells the user.
  void CharacterRefused(const QString& character);

 private:
  void SetText(TNodeId node, std::string_view text);
  void ValidateSiblings(TNodeId node, std::string& text);
  void SetImage(TNodeId node, int image, bool notify);
  int PictureAll(bool notify);

  TChannelTreeModel FChannels;
  // Indexed by node id; grows with the ids.
  std::vector<std::int8_t> FImages;
  TUsedChannelLookup FUsed;
  TTextEncoding FEncoding = TTextEncoding::Utf8;
};
