#pragma once
// The program's model of the S7 driver: settings, channel definitions and
// configuration file; talks to the PLC. The dialog reaches it through
// TCardServices.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "CardServices.h"
#include "ChannelTreeModel.h"
#include "ConnectionType.h"
#include "HW_CardIF.h"
#include "HW_Channels.h"
#include "PlcIdentity.h"
#include "TextCodec.h"
#include "VNList.h"
#include "VNUtils.h"

class TCard : public TCardIF, public TCardServices {
 public:
  // windowHandle: the application's window for the access point (0: none).
  // driverPath: the S7 driver library; its configuration file is the path
  // with the extension replaced by ".CFG". Reads that file; its errors leave.
  TCard(std::uintptr_t windowHandle, const std::string& driverPath);
  ~TCard() override;

  // Reads the configuration file again: settings, file lines and channels
  // are the file's alone, the channels keep their run-time state. The
  // writer lock (FileLock.h) makes it the start of a read-modify-write.
  void LoadConfig();
  // Replaces the configuration file atomically; EFileError naming the file.
  void SaveConfig();
  // Whether the file's lines differ from those last read or saved (a file
  // that is not there holds none); EFileError when it cannot be read.
  bool ConfigFileChanged() const override;
  // The take-over after OK: collect fills the card's settings record, the
  // channel lines replace the card's (a channel list already built is
  // rebuilt from them with the old list's run-time state), and the file is
  // saved.
  void TakeDialogResults(const std::function<void(TConfigInfo&)>& collect,
                         const TStrings& channelLines) override;

  // PLC operations; failures are shown in message boxes.
  bool OpenInterface(const TConfigInfo& settings, daveInterface*& place);
  void CloseInterface(daveInterface* interface);
  bool Connect(const TConfigInfo& settings);
  void Disconnect();
  void ListPartners(const TConfigInfo& settings, TIntegerList& list) override;
  std::string ReadOrderCode(const TConfigInfo& settings) override;
  // While connected (between Connect and Disconnect): the PLC's identity
  // and operating state into identity. A list the PLC refuses is left out;
  // a failure of the link is reported (message box) and ends the reading.
  // Returns false when a failure was reported.
  bool ReadIdentity(TPlcIdentity& identity);

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
  std::optional<std::size_t> ChannelBlockStart() const { return FChannelBlockStart; }
  // The encoding of the file's bytes, decided when it was read; the lines
  // keep their bytes, and text the user edits is written in this encoding.
  TTextEncoding FileEncoding() const override { return FFileEncoding; }

 private:
  TTextEncoding FFileEncoding = TTextEncoding::Utf8;
  int FConnectCount = 0;
  mutable std::unique_ptr<TLstChannels> FChannels;
  TChannelTreeModel FChannelTree;
  std::optional<std::size_t> FChannelBlockStart;
  // The digest of the file's bytes as last read or written, to tell whether
  // another writer changed it since (ConfigFileChanged).
  std::size_t FFileDigest = 0;
  // The connection type the port was opened with, so it is closed the same way.
  std::optional<TConnectionType> FOpenedType;

  // Opens the serial port, socket or access point of settings into FPort and
  // remembers the type; false (after a message box) when it did not open.
  bool OpenPort(const TConfigInfo& settings);
  // Closes FPort the way it was opened; a negative handle is never closed.
  void ClosePort();
  // Disconnects the PLC, closes the interface and frees the group lists.
  void ReleaseConnection();
};

// The configuration file of a driver library: the extension (from the last
// "." after the last "/") replaced by ".CFG", or ".CFG" appended.
std::string ConfigFileNameFor(const std::string& driverPath);
