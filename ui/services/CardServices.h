#pragma once
// What the configuration dialog and its frames need from the card: the
// settings and channel lines to start from, the channel lookup of the tree
// editor, the PLC operations behind "Readout Info " and the partner listing,
// and the take-over after OK. The dialog knows the card only through this,
// so the card needs no widgets.
#include <functional>
#include <string>
#include <string_view>

#include "ChannelTreeModel.h"
#include "HW_ConfigInfo.h"
#include "TextCodec.h"
#include "VNList.h"
#include "VNUtils.h"

class TCardServices {
 public:
  virtual ~TCardServices() = default;

  // The card's settings record, which the dialog copies and never writes.
  virtual const TConfigInfo& Settings() const = 0;
  // The channel block: as a tree, and written out as lines.
  virtual const TChannelTreeModel& ChannelTree() const = 0;
  virtual TStrings ChannelLines() const = 0;
  // The encoding of the configuration file's bytes, which the settings
  // texts and channel lines keep; text the user edits is written in it.
  virtual TTextEncoding FileEncoding() const = 0;
  // Whether a hardware block uses the channel of path ("SPS;E;5").
  virtual bool IsChannelUsed(std::string_view path) const = 0;

  // Connects with settings, reads the order code, disconnects; the text for
  // the memo ("Order Code:" and the code), empty when no connection was
  // made. Failures are reported by the card.
  virtual std::string ReadOrderCode(const TConfigInfo& settings) = 0;
  // The bus addresses that answer, into list; failures are reported by the
  // card and leave the list as it was.
  virtual void ListPartners(const TConfigInfo& settings, TIntegerList& list) = 0;

  // Whether the configuration file differs from what the card read (or
  // last saved), so that OK does not overwrite another writer's change
  // unasked; EFileError when it cannot be read.
  virtual bool ConfigFileChanged() const = 0;

  // After OK: collect fills the card's settings, the channel lines replace
  // the card's, and the card saves its file (errors leave).
  virtual void TakeDialogResults(const std::function<void(TConfigInfo&)>& collect,
                                 const TStrings& channelLines) = 0;

 protected:
  TCardServices() = default;
  TCardServices(const TCardServices&) = default;
  TCardServices& operator=(const TCardServices&) = default;
};
