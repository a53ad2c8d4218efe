#pragma once
// The channel block as the tree view sees it: the toolkit's item model over
// the dialog's working copy of the channel-tree model. It copies no node; a
// row is named by the node's id, so a block of a million leaves costs the
// view only the rows it shows. The model keeps besides the nodes only their
// pictures, one byte each.
#include <QAbstractItemModel>
#include <cstdint>
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
  // A text is taken in the file's encoding; one the encoding cannot hold is
  // refused with a message and the node keeps its text.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

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

  // Edits that the view follows.
  void SetText(TNodeId node, std::string_view text);
  TNodeId Insert(TNodeId parent, int row, std::string_view text);
  void Remove(TNodeId node);

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

 private:
  void SetImage(TNodeId node, int image, bool notify);
  int PictureAll(bool notify);

  TChannelTreeModel FChannels;
  // Indexed by node id; grows with the ids.
  std::vector<std::int8_t> FImages;
  TUsedChannelLookup FUsed;
  TTextEncoding FEncoding = TTextEncoding::Utf8;
};
