#pragma once
// Channel definitions: the indented channel text turned into a list of
// channels, found by address path, with run-time state carried over.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/Channel.h"
#include "config/ChannelNameIndex.h"
#include "config/ChannelTreeModel.h"
#include "config/VNList.h"
#include "support/VNUtils.h"

struct TDataInfo {
  const char* Name;
  std::int32_t Size;
};
extern const std::array<TDataInfo, 12> DataTypes;

// Counter 0: T and Z channels; counter 2: E, A, M and D channels. Reset to -1
// by every ParseChannelText.
extern std::array<std::int32_t, 8> GroupCounters;

// Group lists reference channels of the main list and never own them.
using TChannelGroup = std::vector<TChannel*>;

// Path lines ("SPS;E;5") of the leaves that define channels. Raises EVNError
// when the paths would exceed 16 times the block's size (at least 64 MiB):
// huge node texts above many leaves. The lines' form raises what
// TChannelTreeModel::FromLines raises.
TStrings FlattenChannelTree(const TChannelTreeModel& tree);
TStrings FlattenChannelTree(const TStrings& channelLines);

// Calls visit for every channel tree defines, in line order, parsed as
// TLstChannels::ParseChannelText parses it but without keeping a list: the
// channel (valid during the call), its leaf and the leaf's line among the
// block's lines (from 0). Raises what ParseChannelText raises.
using TChannelVisit = std::function<void(const TChannel& channel, TNodeId leaf, std::size_t line)>;
void ForEachChannel(const TChannelTreeModel& tree, const TChannelVisit& visit);

// Raises what TLstChannels::ParseChannelText raises for tree, keeping no
// channel: a file's channel errors show when it is read, even where no
// channel list is needed.
void CheckChannelText(const TChannelTreeModel& tree);

class TLstChannels : public TObjectList<TChannel> {
 public:
  ~TLstChannels() override;

  // Appends the channels the lines define. Errors leave to the caller; the
  // channels appended before an error stay.
  void ParseChannelText(const TChannelTreeModel& tree);
  void ParseChannelText(const TStrings& channelLines);
  // Whether the channel of path exists and a hardware block uses it.
  bool IsUsed(std::string_view path) const;
  // First channel whose Name equals the path's fields joined by "; "; null
  // when there is none, or the path holds no ";" or only blank fields.
  TChannel* FindChannel(std::string_view path) const;
  // Copies the run-time state of older's channels into the first channel of
  // the same Name here.
  void TakeStateFrom(const TLstChannels& older);
  void BuildGroups();
  void ReleaseGroups();

  void AddChannel(std::unique_ptr<TChannel> channel);
  TChannel* Channel(int index) const { return Items(index); }
  bool HasGroups() const { return FGroupsBuilt; }
  // The first channel, in list order, whose Name equals name exactly.
  TChannel* FindByName(const std::string& name) const;

  std::array<std::unique_ptr<TChannelGroup>, 16> TimerCounterGroups;
  std::array<std::unique_ptr<TChannelGroup>, 16> AreaGroups;

 protected:
  void ItemAdded(TChannel* channel) override;
  void ItemRemoving(TChannel* channel) override;
  void ItemsClearing() override;

 private:
  void RebuildNameIndex() const;

  bool FGroupsBuilt = false;
  // Built by the first lookup (a list that is never searched does not pay
  // for it), then kept up to date as channels join and leave. A channel's
  // Name must not change while it is in the list.
  mutable TChannelNameIndex FNameIndex;
  mutable bool FNameIndexBuilt = false;
};
