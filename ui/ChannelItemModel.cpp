#include "ui/ChannelItemModel.h"

#include <QIcon>
#include <algorithm>
#include <utility>

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

bool TChannelItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const TNodeId node = NodeOf(index);
  if (node == kNoNode || (role != Qt::DisplayRole && role != Qt::EditRole)) return false;
  const QString text = value.toString();
  const auto bytes = TextToFileBytes(text, FEncoding);
  if (!bytes) {
    ShowCharacterNotHeld(FirstCharacterNotHeld(text, FEncoding));
    return false;
  }
  SetText(node, *bytes);
  return true;
}

Qt::ItemFlags TChannelItemModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // Whether an edit may start is the editor's rule, asked when it starts.
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
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

TNodeId TChannelItemModel::Insert(TNodeId parent, int row, std::string_view text) {
  const int count = static_cast<int>(FChannels.Children(parent).size());
  row = std::clamp(row, 0, count);
  beginInsertRows(IndexOf(parent), row, row);
  const TNodeId node = FChannels.Insert(parent, row, text);
  endInsertRows();
  return node;
}

void TChannelItemModel::Remove(TNodeId node) {
  const int row = FChannels.Row(node);
  beginRemoveRows(IndexOf(FChannels.Parent(node)), row, row);
  FChannels.Remove(node);
  endRemoveRows();
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
