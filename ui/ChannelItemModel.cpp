#include "ui/ChannelItemModel.h"

#include <QIcon>
#include <algorithm>
#include <optional>
#include <utility>

#include "config/ChannelEntryCheck.h"
#include "ui/FileText.h"
#include "ui/NodeIcon.h"

TChannelItemModel::TChannelItemModel(TUsedChannelLookup used, QObject* parent)
    : QAbstractItemModel(parent), FUsed(std::move(used)) {}

QModelIndex TChannelItemModel::index(int row, int column, const QModelIndex& parent) const {
  const std::vector<TNodeId>& children = FChannels.Children(NodeOf(parent));
  if (row < 0 || column != 0 || static_cast<std::size_t>(row) >= children.size()) return {};
  return createIndex(row, 0, static_cast<quintptr>(children[static_cast<std::size_t>(row)]));
}

QModelIndex TChannelItemModel::parent(const QModelIndex& child) const {
  const TNodeId node = NodeOf(child);
  if (node == kNoNode) return {};
  return IndexOf(FChannels.Parent(node));
}

int TChannelItemModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  return static_cast<int>(FChannels.Children(NodeOf(parent)).size());
}

int TChannelItemModel::columnCount(const QModelIndex&) const {
  return 1;
}

bool TChannelItemModel::hasChildren(const QModelIndex& parent) const {
  return rowCount(parent) > 0;
}

QVariant TChannelItemModel::data(const QModelIndex& index, int role) const {
  const TNodeId node = NodeOf(index);
  if (node == kNoNode) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole)
    return FileBytesToText(FChannels.Text(node), FEncoding);
  if (role == Qt::DecorationRole && Image(node) >= 0) return NodeIcon(Image(node));
  return {};
}

Qt::ItemFlags TChannelItemModel::flags(const QModelIndex& index) const {
  const TNodeId node = NodeOf(index);
  if (node == kNoNode) return Qt::NoItemFlags;
  const Qt::ItemFlags shown = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  const TNodeId parent = FChannels.Parent(node);
  if (parent == kNoNode) return shown;
  const int depth = DataWord(node);
  const bool channelLeaf = depth == 0;
  const bool dataBlockNumber = depth == 1 && NamesDataBlock(FChannels.Text(parent));
  if (!(channelLeaf || dataBlockNumber) || IsUsedPath(FChannels.Path(node))) return shown;
  return shown | Qt::ItemIsEditable;
}

bool TChannelItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !flags(index).testFlag(Qt::ItemIsEditable)) return false;
  const QString typed = value.toString();
  std::optional<std::string> text = TextToFileBytes(typed, FEncoding);
  if (!text) {
    emit CharacterRefused(FirstCharacterNotHeld(typed, FEncoding));
    return false;
  }
  Edited(NodeOf(index), *text);
  return true;
}

bool TChannelItemModel::insertRows(int row, int count, const QModelIndex& parent) {
  if (!checkIndex(parent) || parent.column() > 0) return false;
  if (row < 0 || count < 1 || row > rowCount(parent)) return false;
  const TNodeId container = NodeOf(parent);
  beginInsertRows(parent, row, row + count - 1);
  for (int i = 0; i < count; ++i) FChannels.Insert(container, row + i, {});
  endInsertRows();
  return true;
}

bool TChannelItemModel::removeRows(int row, int count, const QModelIndex& parent) {
  if (!checkIndex(parent) || parent.column() > 0) return false;
  if (row < 0 || count < 1 || row + count > rowCount(parent)) return false;
  const std::vector<TNodeId>& children = FChannels.Children(NodeOf(parent));
  // A copy: removing shifts the rows.
  const std::vector<TNodeId> gone(children.begin() + row, children.begin() + row + count);
  beginRemoveRows(parent, row, row + count - 1);
  for (const TNodeId node : gone) FChannels.Remove(node);
  endRemoveRows();
  return true;
}

void TChannelItemModel::Load(TChannelTreeModel channels) {
  beginResetModel();
  FChannels = std::move(channels);
  FImages.clear();
  PictureAll(false);
  endResetModel();
}

TNodeId TChannelItemModel::NodeOf(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return kNoNode;
  return static_cast<TNodeId>(index.internalId());
}

QModelIndex TChannelItemModel::IndexOf(TNodeId node) const {
  if (node == kNoNode) return {};
  return createIndex(FChannels.Row(node), 0, static_cast<quintptr>(node));
}

void TChannelItemModel::SetText(TNodeId node, std::string_view text) {
  if (FChannels.Text(node) == text) return;
  FChannels.SetText(node, text);
  const QModelIndex changed = IndexOf(node);
  emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

void TChannelItemModel::Edited(TNodeId node, std::string& text) {
  if (node == kNoNode) return;
  if (FChannels.Parent(node) != kNoNode) ValidateSiblings(node, text);
  SetText(node, text);
  if (FChannels.Parent(node) != kNoNode) RefreshImages();
}

void TChannelItemModel::ValidateSiblings(TNodeId node, std::string& text) {
  text = TrimText(text);
  SetText(node, text);
  const TChannelNodeKind kind =
      ChannelNodeKindAt(FChannels.Text(FChannels.AreaOf(node)), FChannels.Level(node));
  // A copy: the ids stay while texts change.
  const std::vector<TNodeId> siblings = FChannels.Children(FChannels.Parent(node));
  // Markers of earlier checks go before the entries are checked again.
  for (const TNodeId sibling : siblings)
    SetText(sibling, CleanChannelEntry(FChannels.Text(sibling)));
  for (const TNodeId sibling : siblings) {
    std::string checked(FChannels.Text(sibling));
    // The marker goes into the node text, so in the file's encoding.
    const std::string_view marker = ChannelEntryMarker(checked, kind);
    if (!marker.empty()) checked += OwnTextToFileBytes(marker, FEncoding);
    if (sibling == node) {
      text = checked;
    } else {
      SetText(sibling, checked);
    }
  }
}

int TChannelItemModel::Image(TNodeId node) const {
  return node < FImages.size() ? FImages[node] : -1;
}

void TChannelItemModel::SetImage(TNodeId node, int image, bool notify) {
  if (node >= FImages.size()) FImages.resize(node + 1, -1);
  if (FImages[node] == image) return;
  FImages[node] = static_cast<std::int8_t>(image);
  if (!notify) return;
  const QModelIndex changed = IndexOf(node);
  emit dataChanged(changed, changed, {Qt::DecorationRole});
}

int TChannelItemModel::DataWord(TNodeId node) const {
  const TNodeId area = FChannels.AreaOf(node);
  if (area == kNoNode) return 0;
  const int areaDepth = NamesDataBlock(FChannels.Text(area)) ? 2 : 1;
  return areaDepth - (FChannels.Level(node) - 1);
}

int TChannelItemModel::RefreshImages() {
  return PictureAll(true);
}

int TChannelItemModel::PictureAll(bool notify) {
  FChannels.MarkUsedChannels(FUsed);
  // Leaves are pictured in pre-order; the nodes with children afterwards in
  // reverse pre-order, which reaches every child before its parent.
  std::vector<TNodeId> containers;
  FChannels.ForEachPreOrder([&](TNodeId node, int level) {
    if (!FChannels.Children(node).empty()) {
      containers.push_back(node);
      return;
    }
    int image = NodeValid;
    if (level == 1) {
      image = NodeValid;
    } else if (FChannels.Text(node).find('<') != std::string_view::npos) {
      image = NodeInvalid;
    } else if (FChannels.Used(node)) {
      image = NodeUsed;
    }
    SetImage(node, image, notify);
  });
  for (auto it = containers.rbegin(); it != containers.rend(); ++it) {
    int lowest = NodeValid;
    for (const TNodeId child : FChannels.Children(*it)) lowest = std::min(lowest, Image(child));
    const bool marked = FChannels.Text(*it).find('<') != std::string_view::npos;
    SetImage(*it, marked ? NodeInvalid : lowest, notify);
  }
  int lowest = NodeValid;
  for (const TNodeId node : FChannels.Children(kNoNode)) lowest = std::min(lowest, Image(node));
  return lowest;
}

void TChannelItemModel::CleanUp() {
  // A lone "SPS" root is what every clean-up leaves; a plant's tree of a
  // million nodes is not copied on each visit of the page to learn that.
  const std::vector<TNodeId>& top = FChannels.Children(kNoNode);
  if (top.size() == 1 && FChannels.Text(top.front()) == "SPS") return;
  TChannelTreeModel cleaned = FChannels;
  if (cleaned.CleanUp(FUsed)) Load(std::move(cleaned));
}
