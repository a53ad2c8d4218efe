#pragma once
// The program's model of the S7 driver: settings, channel definitions and
// configuration file; talks to the PLC. The front ends reach it through
// TCardServices.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "config/ChannelTreeModel.h"
#include "config/FileLock.h"
#include "config/HW_Channels.h"
#include "config/VNList.h"
#include "plc/CardServices.h"
#include "plc/PlcAddressReader.h"
#include "plc/PlcConnection.h"
#include "plc/PlcIdentity.h"
#include "support/TextCodec.h"
#include "support/VNUtils.h"

class TCard : public TCardServices {
 public:
  // windowHandle: the application's window for the access point (0: none).
  // driverPath: the S7 driver library; its configuration file is the path
  // with the extension replaced by ".CFG". The card starts from the
  // defaults, as for a missing file, until LoadConfig reads the file.
  TCard(std::uintptr_t windowHandle, const std::string& driverPath);
  TCard(const TCard&) = delete;
  TCard& operator=(const TCard&) = delete;
  ~TCard() override;

  // Reads settings and channels from the configuration file afresh (a
  // missing file gives the defaults). A failure names the file or the line
  // and its error class, and leaves the card as it was.
  TResult LoadConfig() override;
  const TConfigReading& Reading() const override { return FReading; }
  void PutSettings(const TConfigInfo& values, const std::vector<std::string_view>& keys) override;
  // Under the writers' lock: the changed-file check (or a fresh read, see
  // TSaveChanges), the changes, the clean-up (a channel list already built
  // is rebuilt with the old list's run-time state), and the atomic write.
  TSaveResult SaveChanges(const TSaveChanges& changes) override;

  TResult Connect(const TConfigInfo& settings) override;
  void Disconnect() override;
  TResult ListPartners(const TConfigInfo& settings, TIntegerList& list) override;
  TResultOr<std::string> ReadOrderCode(const TConfigInfo& settings) override;
  TResult ReadIdentity(TPlcIdentity& identity) override;
  TResultOr<TChannelCheck> CheckChannels(const TConfigInfo& settings, const TChannelTreeModel& tree,
                                         const std::atomic<bool>* stop = nullptr) override;
  TResultOr<std::vector<TChannelValue>> ReadValues(
      const TConfigInfo& settings, const std::vector<TPlcAddress>& addresses) override;
  TDiagnosis Diagnose(const TConfigInfo& settings, const TDiagnosisObserver& observer,
                      const std::atomic<bool>* stop) const override;
  std::optional<TScanRecord> ReadFoundPlc(TOpenPort& port, const TConfigInfo& settings,
                                          const std::atomic<bool>* stop) const override;

  TConfigInfo& Config() { return *FConfig; }
  const TConfigInfo& Config() const { return *FConfig; }
  const TConfigInfo& Settings() const override { return *FConfig; }
  TStrings ChannelLines() const override { return FChannelTree.Lines(); }
  const TChannelTreeModel& ChannelTree() const override { return FChannelTree; }
  // Hardware blocks mark the channels they use in the channel list; while
  // nobody built it, no channel is used, and the dialog does not build a
  // list of a million channels to learn that.
  bool IsChannelUsed(std::string_view path) const override {
    return FChannels && FChannels->IsUsed(path);
  }
  // The channel list, built from the tree on first use.
  TLstChannels& Channels() const;
  int ConnectCount() const { return FConnectCount; }
  // The index of the channel block's start marker among the file's lines,
  // as read; nothing when the file has no block.
  std::optional<std::size_t> ChannelBlockStart() const override { return FChannelBlockStart; }
  // The encoding of the file's bytes, decided when it was read; the lines
  // keep their bytes, and text the user edits is written in this encoding.
  TTextEncoding FileEncoding() const override { return FFileEncoding; }

 private:
  std::uintptr_t FWindowHandle;
  std::unique_ptr<TConfigInfo> FConfig;
  TTextEncoding FFileEncoding = TTextEncoding::Utf8;
  int FConnectCount = 0;
  mutable std::unique_ptr<TLstChannels> FChannels;
  TChannelTreeModel FChannelTree;
  std::optional<std::size_t> FChannelBlockStart;
  // The digest of the file's bytes as last read or written, to tell whether
  // another writer changed it since (SaveChanges).
  std::size_t FFileDigest = 0;
  // How the file was read: a save keeps off a file whose values the card
  // could not take, until the user agrees.
  TConfigReading FReading;
  // The way to the PLC while connected.
  std::unique_ptr<TPlcConnection> FConnection;

  // Closes the connection and frees the group lists.
  void ReleaseConnection();
  // Reads addresses (sorted, each once) on a connection of its own.
  // stop as for CheckChannels.
  TResultOr<TAddressReadOutcome> ReadAddresses(const TConfigInfo& settings,
                                               const std::vector<TPlcAddress>& addresses,
                                               const std::atomic<bool>* stop = nullptr);
  // Reads settings and channels from bytes, the file's content (none: no
  // file); a failure raises and changes nothing.
  void ReadConfig(std::optional<std::string> bytes);
  // Takes settings and channels as the card's own (cleaned up as OK cleans
  // them up) and writes them under turn.
  void WriteConfig(TFileLock& turn, const TConfigInfo& settings, TChannelTreeModel channels);
  // The refusal of a save over a file whose reading was not clean.
  TResult KeptFileResult() const;
};

// The configuration file of a driver library: the extension (from the last
// "." after the last "/") replaced by ".CFG", or ".CFG" appended.
std::string ConfigFileNameFor(const std::string& driverPath);
