#pragma once
// What the front ends need from the card: the settings, channel lines and
// file lines to start from, the channel lookup of the tree editor, the PLC
// operations behind "Readout Info ", the partner listing and --read-info,
// the diagnosis and the reading of the PLCs a scan finds, and the take-over
// after OK or --set. The dialog and the command line know
// the card only through this, so the dialog needs no card and the card no
// widgets. Every operation returns its result; none shows anything.
#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ChannelTreeModel.h"
#include "config/ConfigReading.h"
#include "config/HW_Channels.h"
#include "config/HW_ConfigInfo.h"
#include "config/VNList.h"
#include "plc/ChannelCheck.h"
#include "plc/Diagnosis.h"
#include "plc/PlcIdentity.h"
#include "plc/scan/PlcScan.h"
#include "support/Result.h"
#include "support/TextCodec.h"
#include "support/VNUtils.h"

// Whether a save may replace a file whose reading was not clean.
enum class TUnreadFile { Keep, Overwrite };

// What ReadOrderCode's text starts with, before the code itself.
inline constexpr std::string_view kOrderCodeLabel = "Order Code:";

// What a writer of the configuration file brings to the card's save.
struct TSaveChanges {
  // Asked under the lock when the file is no longer what the card read or
  // last saved: true writes over it, false keeps it (nothing is written).
  // Without it the card reads the file again under the lock, so that the
  // changes apply to what is there now (--set).
  std::function<bool()> OverwriteChanged;
  // The writer's changes to the settings and the channel block the card is
  // about to write (its own, or those it just read). A failure (or an
  // error raised) leaves the file as it was and is the save's result.
  std::function<TResult(TConfigInfo& settings, TChannelTreeModel& channels)> Apply;
  // Whether the save may replace a file whose reading was not clean
  // (Reading()): the user agreed to it. Else it refuses, nothing written,
  // the findings named.
  TUnreadFile Unread = TUnreadFile::Keep;
};

struct TSaveResult {
  TResult Result;
  // Whether the writers' lock was had: a failure without it is one of
  // waiting, and the writer may try again; with it, of reading or writing.
  bool TurnTaken = false;
  // Whether the file was written (not so when OverwriteChanged kept it).
  bool Written = false;
};

class TCardServices {
 public:
  virtual ~TCardServices() = default;

  // The card's settings record, which the front ends copy and never write.
  virtual const TConfigInfo& Settings() const = 0;
  // The channel block: as a tree, and written out as lines.
  virtual const TChannelTreeModel& ChannelTree() const = 0;
  virtual TStrings ChannelLines() const = 0;
  // The index of the channel block's start marker among the file's lines,
  // as read; nothing when the file has no block.
  virtual std::optional<std::size_t> ChannelBlockStart() const = 0;
  // The encoding of the configuration file's bytes, which the settings
  // texts and channel lines keep; text the user edits is written in it.
  virtual TTextEncoding FileEncoding() const = 0;
  // Whether a hardware block uses the channel of path ("SPS;E;5").
  virtual bool IsChannelUsed(std::string_view path) const = 0;

  // Reads the configuration file (settings and channel block) afresh.
  virtual TResult LoadConfig() = 0;
  // What the settings were read from, and why the settings in use may not
  // be the file's own (they fell back to the defaults, or a NUL byte ended
  // the text); clean when the file was read whole or was not there.
  virtual const TConfigReading& Reading() const = 0;
  // --set: the settings of keys take their values from values in the
  // file's own lines (the first line of each key replaced, a missing one
  // added), and the card reads its settings from those lines again, as
  // from the file. When they still fall back, Reading() says why and a
  // save refuses.
  virtual void PutSettings(const TConfigInfo& values,
                           const std::vector<std::string_view>& keys) = 0;

  // Connects with settings; the connection is counted, so a Connect while
  // connected only counts and each one is paired with a Disconnect.
  virtual TResult Connect(const TConfigInfo& settings) = 0;
  virtual void Disconnect() = 0;
  // Connects with settings, reads the order code, disconnects; the text for
  // the memo ("Order Code:" and the code), empty when no connection was made.
  // A read the PLC refuses or does not answer is a failure; the memo then
  // holds "Order Code:" alone.
  virtual TResultOr<std::string> ReadOrderCode(const TConfigInfo& settings) = 0;
  // While connected: the PLC's identity and operating state into identity.
  // A list the PLC refuses is left out; a failure of the link ends the
  // reading and is the result.
  virtual TResult ReadIdentity(TPlcIdentity& identity) = 0;
  // The bus addresses that answer, into list; a failure leaves the list as
  // it was.
  virtual TResult ListPartners(const TConfigInfo& settings, TIntegerList& list) = 0;

  // Connects with settings on a connection of its own, reads every channel
  // of tree from the PLC and disconnects: which channels the PLC refuses,
  // and why. A failed connection or read is the result. stop, when set and
  // true, ends the reads before their next request (a failure that says
  // so). Touches nothing of the card: safe on a thread of its own.
  virtual TResultOr<TChannelCheck> CheckChannels(const TConfigInfo& settings,
                                                 const TChannelTreeModel& tree,
                                                 const std::atomic<bool>* stop = nullptr) = 0;
  // The same for addresses (any order, repeats allowed): one value each.
  virtual TResultOr<std::vector<TChannelValue>> ReadValues(
      const TConfigInfo& settings, const std::vector<TPlcAddress>& addresses) = 0;

  // The one save of OK and --set, whole under the file's writers' lock
  // (FileLock.h): the changed-file check, the writer's changes, the clean-up
  // of the channel block as OK makes it, the write.
  virtual TSaveResult SaveChanges(const TSaveChanges& changes) = 0;

  // The diagnosis of settings step by step (DiagnoseConnection, with the
  // card's window handle), observer and stop as there. Touches nothing of
  // the card: safe on a thread of its own.
  virtual TDiagnosis Diagnose(const TConfigInfo& settings, const TDiagnosisObserver& observer,
                              const std::atomic<bool>* stop) const = 0;
  // The reader of a scan (ReadFoundPlc): the PLC behind port, tried with
  // the rack and slot of settings first, stop as there. Safe on several
  // threads at once.
  virtual std::optional<TScanRecord> ReadFoundPlc(TOpenPort& port, const TConfigInfo& settings,
                                                  const std::atomic<bool>* stop) const = 0;

 protected:
  TCardServices() = default;
  TCardServices(const TCardServices&) = default;
  TCardServices& operator=(const TCardServices&) = default;
};
