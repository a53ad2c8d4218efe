#pragma once
// MPI over the serial PC adapter (RS-232, 8O1). The adapter's telegrams
// travel in 3964R blocks: the sender opens with STX and waits for DLE, sends
// the telegram with every DLE doubled, closes with DLE ETX and a block check
// character (XOR), and the receiver accepts with DLE or rejects with NAK.
// Adapter control telegrams (01 ...) join and leave the bus and scan it; bus
// data telegrams (04 ...) open a connection to a station and carry S7 PDUs.
#include <cstdint>

#include "plc/nodave/PduLink.h"
#include "plc/nodave/Transport.h"

namespace nodave {

namespace mpi {
constexpr std::uint8_t kSTX = 0x02;
constexpr std::uint8_t kETX = 0x03;
constexpr std::uint8_t kDLE = 0x10;
constexpr std::uint8_t kNAK = 0x15;
constexpr int kAttempts = 6;               // 3964R: connection and transmission attempts
constexpr std::size_t kMaxTelegram = 512;  // larger than any telegram we exchange
constexpr std::uint8_t kHighestStation = 31;
constexpr std::uint8_t kOwnConnectionId = 0x14;

// Telegram bytes as sent: DLE doubled, then DLE ETX and the BCC.
Bytes EncodeBlock(ByteSpan telegram);
std::uint8_t BlockCheck(ByteSpan sent);

// After STX and our DLE: reads the block up to DLE ETX BCC and undoes the
// DLE doubling. 0, daveResBadChecksum, daveResBadFrame, daveResAnswerTooLong
// or a transport code.
int ReceiveBlockBody(Transport& link, const Deadline& deadline, Bytes& telegram);

// Adapter control telegrams.
int BuildBusConnect(std::uint8_t localAddress, int speed, Bytes& telegram);
Bytes BuildAdapterCommand(std::uint8_t command);
// Checks an answer to command: 0, an adapter error (daveResAdapterErrorBase -
// code, or daveResAdapterError) or a format code.
int CheckAdapterAnswer(ByteSpan telegram, std::uint8_t command);
// Copies the per-address bytes of a bus scan answer into list (126 bytes);
// returns how many were copied, or a negative code.
int ParseBusScan(ByteSpan telegram, std::uint8_t* list, std::size_t capacity);

// Bus data telegrams to the station at address.
Bytes BuildConnectionRequest(std::uint8_t address, int rack, int slot);
Bytes BuildBusTelegram(std::uint8_t address, std::uint8_t kind, std::uint8_t plcId,
                       std::uint8_t command, ByteSpan rest);

struct BusTelegram {
  std::uint8_t address = 0;
  std::uint8_t destinationId = 0;  // ours, in telegrams from the PLC
  std::uint8_t sourceId = 0;       // the PLC's
  std::uint8_t command = 0;
  ByteSpan rest;  // after the command byte
};
int ParseBusTelegram(ByteSpan telegram, BusTelegram& out);

constexpr std::uint8_t kCmdConnect = 0xE0;
constexpr std::uint8_t kCmdConnectAnswer = 0xD0;
constexpr std::uint8_t kCmdConfirm = 0x05;
constexpr std::uint8_t kCmdData = 0xF1;
constexpr std::uint8_t kCmdDataAck = 0xB0;
constexpr std::uint8_t kCmdDisconnect = 0x80;
constexpr std::uint8_t kCmdDisconnectAnswer = 0xC0;
}  // namespace mpi

// The adapter: the 3964R block engine plus the adapter's own telegrams.
class MpiAdapter {
 public:
  MpiAdapter(Transport& link, const CallBudget& budget) : link_(link), budget_(budget) {}

  bool ready() const { return ready_; }

  int joinBus(std::uint8_t localAddress, int speed);
  int leaveBus();
  int scanBus(std::uint8_t* list, std::size_t capacity);

  int sendTelegram(ByteSpan telegram);
  int receiveTelegram(Bytes& telegram);

 private:
  int command(ByteSpan request, std::uint8_t code, Bytes& answer);

  Transport& link_;
  const CallBudget& budget_;
  bool ready_ = false;
};

// A connection to one station through the adapter.
class MpiLink final : public PduLink {
 public:
  MpiLink(MpiAdapter& adapter, std::uint8_t address, int rack, int slot)
      : adapter_(adapter), address_(address), rack_(rack), slot_(slot) {}

  int open() override;
  int exchange(ByteSpan request, Bytes& answer) override;
  void close() override;
  std::uint16_t proposedPduLength() const override { return 240; }

 private:
  int receiveFromStation(mpi::BusTelegram& t, Bytes& storage);

  MpiAdapter& adapter_;
  std::uint8_t address_;
  int rack_;
  int slot_;
  std::uint8_t plcId_ = 0;
  std::uint8_t sequence_ = 0;
  bool open_ = false;
};

}  // namespace nodave
