#include "plc/nodave/Mpi.h"

#include <algorithm>
#include <cctype>

#include "plc/nodave/Texts.h"
#include "plc/nodave/Types.h"
#include "plc/nodave/WireLimits.h"

namespace nodave {
namespace mpi {
namespace {

constexpr std::uint8_t kAdapterControl = 0x01;
constexpr std::uint8_t kBusData = 0x04;
constexpr std::uint8_t kRequest = 0x02;
constexpr std::uint8_t kResponse = 0x20;
constexpr std::uint8_t kCmdBusConnect = 0x03;
constexpr std::uint8_t kCmdBusDisconnect = 0x04;
constexpr std::uint8_t kCmdBusScan = 0x07;
constexpr std::uint8_t kSubtypeConnect = 0x0D;
constexpr std::uint8_t kSubtypeConnected = 0x0C;
constexpr std::uint8_t kKindControl = 0x00;  // PC -> station: connection control, acks
constexpr std::uint8_t kKindData = 0x02;     // PC -> station: S7 data
constexpr std::size_t kScanHeader = 6;       // 01 07 20, two bytes, HSA

bool IsHex(std::uint8_t c) {
  return std::isxdigit(c) != 0;
}

int HexValue(ByteSpan digits) {
  int v = 0;
  for (std::uint8_t c : digits) {
    v = v * 16 + (std::isdigit(c) ? c - '0' : std::toupper(c) - 'A' + 10);
  }
  return v;
}

}  // namespace

std::uint8_t BlockCheck(ByteSpan sent) {
  std::uint8_t bcc = 0;
  for (std::uint8_t b : sent) bcc ^= b;
  return bcc;
}

Bytes EncodeBlock(ByteSpan telegram) {
  ByteWriter w;
  for (std::uint8_t b : telegram) {
    w.u8(b);
    if (b == kDLE) w.u8(kDLE);
  }
  w.u8(kDLE).u8(kETX);
  // The BCC covers every byte after the handshake, doubled DLEs and DLE ETX included.
  w.u8(BlockCheck(w.data()));
  return w.take();
}

int ReceiveBlockBody(Transport& link, const Deadline& deadline, Bytes& telegram) {
  telegram.clear();
  std::uint8_t bcc = 0;
  for (;;) {
    int b = ReceiveByte(link, deadline);
    if (b < 0) return b;
    bcc ^= static_cast<std::uint8_t>(b);
    if (b != kDLE) {
      if (telegram.size() >= kMaxTelegram) return daveResAnswerTooLong;
      telegram.push_back(static_cast<std::uint8_t>(b));
      continue;
    }
    int next = ReceiveByte(link, deadline);
    if (next < 0) return next;
    bcc ^= static_cast<std::uint8_t>(next);
    if (next == kDLE) {
      if (telegram.size() >= kMaxTelegram) return daveResAnswerTooLong;
      telegram.push_back(kDLE);
    } else if (next == kETX) {
      int check = ReceiveByte(link, deadline);
      if (check < 0) return check;
      return check == bcc ? 0 : daveResBadChecksum;
    } else {
      return daveResBadFrame;  // a single DLE inside the data
    }
  }
}

int BuildBusConnect(std::uint8_t localAddress, int speed, Bytes& telegram) {
  if (speed < daveSpeed9k || speed > daveSpeed93k) return daveResInvalidSpeed;
  // Only the parameter set STEP 7 sends for 187.5 kbit/s is known; sending
  // guessed timings for other speeds could disturb a running bus.
  if (speed != daveSpeed187k) return daveResSpeedUndocumented;
  if (localAddress > kMaxBusAddress) return daveResInvalidAddress;
  std::uint8_t hsa = localAddress <= kHighestStation ? kHighestStation : kMaxBusAddress;
  ByteWriter w;
  w.u8(kAdapterControl).u8(kCmdBusConnect).u8(kRequest);
  w.le16(static_cast<std::uint16_t>(hsa + 8));  // target rotation time
  w.le16(415).le16(60).le16(400).le16(20);      // Tslot, Tid1, Tid2, Trdy
  w.u8(0).u8(5);                                // Tqui, gap update factor
  w.u8(static_cast<std::uint8_t>(speed)).u8(localAddress).u8(hsa);
  w.u8(2).u8(1).u8(1).u8(3).u8(0x81);  // retry limit, constant, bus type MPI, constant, flags
  telegram = w.take();
  return 0;
}

Bytes BuildAdapterCommand(std::uint8_t command) {
  return Bytes{kAdapterControl, command, kRequest};
}

int CheckAdapterAnswer(ByteSpan telegram, std::uint8_t command) {
  ByteReader r(telegram);
  std::uint8_t type = r.u8();
  std::uint8_t code = r.u8();
  std::uint8_t direction = r.u8();
  if (!r.ok()) return daveResShortPacket;
  if (type != kAdapterControl || code != command || direction != kResponse) {
    return daveResUnexpectedFunc;
  }
  ByteSpan text = r.rest();
  if (text.size() >= 2 && text[0] == 'E' && text[1] == '=') {
    ByteSpan digits = text.subspan(2, std::min<std::size_t>(4, text.size() - 2));
    if (digits.size() == 4 && std::all_of(digits.begin(), digits.end(), IsHex)) {
      int error = daveResAdapterErrorBase - HexValue(digits);
      return HasText(error) ? error : daveResAdapterError;
    }
    return daveResAdapterError;
  }
  return 0;
}

int ParseBusScan(ByteSpan telegram, std::uint8_t* list, std::size_t capacity) {
  if (int r = CheckAdapterAnswer(telegram, kCmdBusScan); r != 0) return r;
  if (telegram.size() < kScanHeader) return daveResShortPacket;
  std::size_t n = std::min(capacity, telegram.size() - kScanHeader);
  std::copy_n(telegram.begin() + kScanHeader, n, list);
  return static_cast<int>(n);
}

Bytes BuildConnectionRequest(std::uint8_t address, int rack, int slot) {
  ByteWriter w;
  w.u8(kBusData)
      .u8(0x80 | address)
      .u8(kKindControl)
      .u8(kSubtypeConnect)
      .u8(0)
      .u8(kOwnConnectionId)
      .u8(kCmdConnect);
  // As STEP 7 sends it; the tail is the local TSAP 0x0100 and the remote one
  // (connection type PG, rack * 32 + slot).
  const std::uint8_t fixed[] = {0x04, 0x00, 0x80, 0x00, 0x02, 0x00, 0x02, 0x01, 0x00};
  w.bytes(fixed).u8(0x01).u8(static_cast<std::uint8_t>(rack * 32 + slot));
  return w.take();
}

Bytes BuildBusTelegram(std::uint8_t address, std::uint8_t kind, std::uint8_t plcId,
                       std::uint8_t command, ByteSpan rest) {
  ByteWriter w;
  w.u8(kBusData)
      .u8(0x80 | address)
      .u8(kind)
      .u8(kSubtypeConnected)
      .u8(plcId)
      .u8(kOwnConnectionId)
      .u8(command)
      .bytes(rest);
  return w.take();
}

int ParseBusTelegram(ByteSpan telegram, BusTelegram& out) {
  ByteReader r(telegram);
  std::uint8_t type = r.u8();
  std::uint8_t address = r.u8();
  r.skip(2);  // direction/kind and subtype
  out.destinationId = r.u8();
  out.sourceId = r.u8();
  out.command = r.u8();
  if (!r.ok()) return daveResShortPacket;
  if (type != kBusData) return daveResUnexpectedFunc;
  out.address = address & 0x7F;
  out.rest = r.rest();
  return 0;
}

}  // namespace mpi

int MpiAdapter::sendTelegram(ByteSpan telegram) {
  if (telegram.size() > mpi::kMaxTelegram) return daveResInvalidParam;
  Bytes block = mpi::EncodeBlock(telegram);
  const std::uint8_t stx = mpi::kSTX;
  int result = daveResTimeout;
  for (int attempt = 0; attempt < mpi::kAttempts && !budget_.callOver(); ++attempt) {
    link_.discardInput();
    if (int r = link_.send(ByteSpan(&stx, 1), budget_.sendLimit()); r != 0) return r;
    Deadline ready = budget_.answerDeadline();
    int answer = ReceiveByte(link_, ready);
    if (answer == daveResConnectionClosed || answer == daveResConnectionReset ||
        answer == daveResPortNotOpen) {
      return answer;
    }
    if (answer != mpi::kDLE) {
      // NAK, silence, or the adapter's own STX: we give way and try again.
      // Should that be all the adapter ever says back (an echo of our STX,
      // or garbage), it answered, but nothing of 3964R.
      result = answer == mpi::kNAK ? daveResBlockRejected
               : answer < 0        ? daveResTimeout
                                   : daveResBadFrame;
      continue;
    }
    if (int r = link_.send(block, budget_.sendLimit()); r != 0) return r;
    Deadline accepted = budget_.answerDeadline();
    answer = ReceiveByte(link_, accepted);
    if (answer == mpi::kDLE) return 0;
    if (answer == daveResConnectionClosed || answer == daveResConnectionReset) return answer;
    result = answer == daveResTimeout ? daveResTimeout
             : answer == mpi::kNAK    ? daveResBlockRejected
                                      : daveResBadFrame;  // an echo of the block, or garbage
  }
  return budget_.callOver() ? daveResTimeout : result;
}

int MpiAdapter::receiveTelegram(Bytes& telegram) {
  const std::uint8_t dle = mpi::kDLE;
  const std::uint8_t nak = mpi::kNAK;
  Deadline deadline = budget_.answerDeadline();
  int result = daveResTimeout;
  for (int attempt = 0; attempt < mpi::kAttempts; ++attempt) {
    // Wait for the adapter's STX; anything else before it is dropped, and
    // if nothing else comes, the adapter answered garbage, not silence.
    int b;
    bool dropped = false;
    for (b = ReceiveByte(link_, deadline); b >= 0 && b != mpi::kSTX;
         b = ReceiveByte(link_, deadline)) {
      dropped = true;
    }
    if (b < 0) return b == daveResTimeout && dropped ? daveResBadFrame : b;
    if (int r = link_.send(ByteSpan(&dle, 1), budget_.sendLimit()); r != 0) return r;
    Deadline body = budget_.answerDeadline();
    result = mpi::ReceiveBlockBody(link_, body, telegram);
    if (result == 0) return link_.send(ByteSpan(&dle, 1), budget_.sendLimit());
    if (result == daveResConnectionClosed || result == daveResConnectionReset) return result;
    // A damaged block is refused; the adapter repeats it.
    if (int r = link_.send(ByteSpan(&nak, 1), budget_.sendLimit()); r != 0) return r;
    deadline = budget_.answerDeadline();
  }
  return result;
}

int MpiAdapter::command(ByteSpan request, std::uint8_t code, Bytes& answer) {
  if (int r = sendTelegram(request); r != 0) return r;
  if (int r = receiveTelegram(answer); r != 0) return r;
  return mpi::CheckAdapterAnswer(answer, code);
}

int MpiAdapter::joinBus(std::uint8_t localAddress, int speed) {
  Bytes request;
  if (int r = mpi::BuildBusConnect(localAddress, speed, request); r != 0) return r;
  Bytes answer;
  int r = command(request, 0x03, answer);
  ready_ = r == 0;
  return r;
}

int MpiAdapter::leaveBus() {
  if (!ready_) return 0;
  ready_ = false;
  Bytes answer;
  return command(mpi::BuildAdapterCommand(0x04), 0x04, answer);
}

int MpiAdapter::scanBus(std::uint8_t* list, std::size_t capacity) {
  if (!ready_) return daveResAdapterNotReady;
  if (int r = sendTelegram(mpi::BuildAdapterCommand(0x07)); r != 0) return r;
  Bytes answer;
  if (int r = receiveTelegram(answer); r != 0) return r;
  return mpi::ParseBusScan(answer, list, capacity);
}

int MpiLink::receiveFromStation(mpi::BusTelegram& t, Bytes& storage) {
  if (int r = adapter_.receiveTelegram(storage); r != 0) return r;
  if (int r = mpi::ParseBusTelegram(storage, t); r != 0) return r;
  if (t.address != address_ || t.destinationId != mpi::kOwnConnectionId) return daveResBadFrame;
  if (open_ && t.sourceId != plcId_) return daveResBadFrame;
  return 0;
}

int MpiLink::open() {
  if (!adapter_.ready()) return daveResAdapterNotReady;
  if (int r = adapter_.sendTelegram(mpi::BuildConnectionRequest(address_, rack_, slot_)); r != 0) {
    return r;
  }
  Bytes storage;
  mpi::BusTelegram t;
  if (int r = receiveFromStation(t, storage); r != 0) return r;
  if (t.command != mpi::kCmdConnectAnswer) return daveResPartnerRefused;
  plcId_ = t.sourceId;
  const std::uint8_t ok[] = {0x01};
  if (int r = adapter_.sendTelegram(
          mpi::BuildBusTelegram(address_, 0x00, plcId_, mpi::kCmdConfirm, ok));
      r != 0) {
    return r;
  }
  open_ = true;
  sequence_ = 0;
  if (int r = receiveFromStation(t, storage); r != 0) return r;
  if (t.command != mpi::kCmdConfirm || t.rest.empty() || t.rest[0] != 0x01) {
    open_ = false;
    return daveResPartnerRefused;
  }
  return 0;
}

int MpiLink::exchange(ByteSpan request, Bytes& answer) {
  if (!open_) return daveResNotConnected;
  ByteWriter payload;
  payload.u8(sequence_).bytes(request);
  if (int r = adapter_.sendTelegram(
          mpi::BuildBusTelegram(address_, 0x02, plcId_, mpi::kCmdData, payload.data()));
      r != 0) {
    return r;
  }
  std::uint8_t sent = sequence_;
  sequence_ = sequence_ == 0xFF ? 1 : static_cast<std::uint8_t>(sequence_ + 1);
  // The station acknowledges our data, then sends its own; take them in
  // either order, but no more telegrams than that.
  bool acked = false;
  bool answered = false;
  Bytes storage;
  for (int i = 0; i < 4 && !(acked && answered); ++i) {
    mpi::BusTelegram t;
    if (int r = receiveFromStation(t, storage); r != 0) return r;
    ByteReader rest(t.rest);
    if (t.command == mpi::kCmdDataAck) {
      std::uint8_t status = rest.u8();
      std::uint8_t seq = rest.u8();
      if (!rest.ok()) return daveResShortPacket;
      if (status != 0x01) return daveResCannotEvaluatePDU;
      if (seq != sent) return daveResWrongReference;
      acked = true;
    } else if (t.command == mpi::kCmdData) {
      std::uint8_t seq = rest.u8();
      ByteSpan pdu = rest.rest();
      if (!rest.ok() || pdu.empty()) return daveResShortPacket;
      answer.assign(pdu.begin(), pdu.end());
      const std::uint8_t ack[] = {0x01, seq};
      if (int r = adapter_.sendTelegram(
              mpi::BuildBusTelegram(address_, 0x00, plcId_, mpi::kCmdDataAck, ack));
          r != 0) {
        return r;
      }
      answered = true;
    } else if (t.command == mpi::kCmdDisconnect) {
      open_ = false;
      return daveResConnectionClosed;
    } else {
      return daveResUnexpectedFunc;
    }
  }
  return acked && answered ? 0 : daveResCannotEvaluatePDU;
}

void MpiLink::close() {
  if (!open_) return;
  open_ = false;
  if (adapter_.sendTelegram(
          mpi::BuildBusTelegram(address_, 0x00, plcId_, mpi::kCmdDisconnect, {})) != 0) {
    return;
  }
  Bytes storage;
  (void)adapter_.receiveTelegram(storage);  // the confirmation (C0); nothing follows from it
}

}  // namespace nodave
