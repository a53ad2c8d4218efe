#include "plc/nodave/Ppi.h"

#include <numeric>

#include "plc/nodave/Types.h"

namespace nodave {
namespace ppi {
namespace {

bool IsFrameStart(std::uint8_t b) {
  return b == kSD1 || b == kSD2 || b == kSD3 || b == kSD4 || b == kSC;
}

// Reads FCS and ED after a body and checks both.
int ReceiveTrailer(Transport& link, const Deadline& deadline, ByteSpan body) {
  std::uint8_t trailer[2];
  if (int r = ReceiveExact(link, trailer, deadline); r != 0) return r;
  if (trailer[1] != kED) return daveResBadFrame;
  if (trailer[0] != Checksum(body)) return daveResBadChecksum;
  return 0;
}

int ReceiveBody(Transport& link, const Deadline& deadline, std::size_t length, Frame& frame) {
  Bytes body(length);
  if (int r = ReceiveExact(link, body, deadline); r != 0) return r;
  if (int r = ReceiveTrailer(link, deadline, body); r != 0) return r;
  frame.da = body[0];
  frame.sa = body[1];
  frame.fc = body[2];
  frame.data.assign(body.begin() + 3, body.end());
  return 0;
}

}  // namespace

std::uint8_t Checksum(ByteSpan body) {
  return static_cast<std::uint8_t>(std::accumulate(body.begin(), body.end(), 0u) & 0xFF);
}

Bytes BuildShortFrame(std::uint8_t da, std::uint8_t sa, std::uint8_t fc) {
  const std::uint8_t body[] = {da, sa, fc};
  ByteWriter w;
  w.u8(kSD1).bytes(body).u8(Checksum(body)).u8(kED);
  return w.take();
}

Bytes BuildDataFrame(std::uint8_t da, std::uint8_t sa, std::uint8_t fc, ByteSpan data) {
  ByteWriter body;
  body.u8(da).u8(sa).u8(fc).bytes(data);
  auto le = static_cast<std::uint8_t>(body.size());
  ByteWriter w;
  w.u8(kSD2).u8(le).u8(le).u8(kSD2).bytes(body.data()).u8(Checksum(body.data())).u8(kED);
  return w.take();
}

int ReceiveFrame(Transport& link, const Deadline& deadline, Frame& frame) {
  bool skipped = false;
  int start;
  for (;;) {
    start = ReceiveByte(link, deadline);
    if (start < 0) return start == daveResTimeout && skipped ? daveResBadFrame : start;
    if (IsFrameStart(static_cast<std::uint8_t>(start))) break;
    skipped = true;  // line noise or a partner out of step
  }
  switch (start) {
    case kSC:
      frame.kind = Frame::kAck;
      return 0;
    case kSD1:
      frame.kind = Frame::kShort;
      return ReceiveBody(link, deadline, 3, frame);
    case kSD3:
      frame.kind = Frame::kFixed;
      return ReceiveBody(link, deadline, 3 + 8, frame);
    case kSD4: {
      frame.kind = Frame::kToken;
      std::uint8_t addresses[2];
      if (int r = ReceiveExact(link, addresses, deadline); r != 0) return r;
      frame.da = addresses[0];
      frame.sa = addresses[1];
      return 0;
    }
    default: {  // SD2
      frame.kind = Frame::kData;
      std::uint8_t head[3];
      if (int r = ReceiveExact(link, head, deadline); r != 0) return r;
      if (head[0] != head[1] || head[2] != kSD2 || head[0] < 3) return daveResBadFrame;
      return ReceiveBody(link, deadline, head[0], frame);
    }
  }
}

}  // namespace ppi

int PpiLink::open() {
  link_.discardInput();
  return 0;
}

int PpiLink::exchange(ByteSpan request, Bytes& answer) {
  if (request.size() > ppi::kMaxPdu) return daveResInvalidParam;
  if (int r = sendRequest(request); r != 0) return r;
  return pollAnswer(answer);
}

// Sends the request until the PLC acknowledges it with E5.
int PpiLink::sendRequest(ByteSpan request) {
  Bytes frame = ppi::BuildDataFrame(plc_, own_, ppi::kFcRequest, request);
  int result = daveResTimeout;
  for (int attempt = 0; attempt < kRequestAttempts && !budget_.callOver(); ++attempt) {
    link_.discardInput();
    if (int r = link_.send(frame, budget_.sendLimit()); r != 0) return r;
    Deadline deadline = budget_.answerDeadline();
    ppi::Frame reply;
    result = ppi::ReceiveFrame(link_, deadline, reply);
    if (result == 0 && reply.kind == ppi::Frame::kAck) return 0;
    if (result == 0) result = daveResBadFrame;
    if (result == daveResConnectionClosed || result == daveResConnectionReset ||
        result == daveResPortNotOpen) {
      return result;
    }
  }
  return budget_.callOver() ? daveResTimeout : result;
}

// Polls until the answer comes; E5 means "not ready yet" and is answered by
// the next poll with the frame count bit toggled.
int PpiLink::pollAnswer(Bytes& answer) {
  std::uint8_t fc = ppi::kFcPoll;
  int result = daveResTimeout;
  bool notReady = false;
  int failures = 0;
  for (int poll = 0; poll < kMaxPolls && !budget_.callOver(); ++poll) {
    Bytes frame = ppi::BuildShortFrame(plc_, own_, fc);
    if (int r = link_.send(frame, budget_.sendLimit()); r != 0) return r;
    Deadline deadline = budget_.answerDeadline();
    ppi::Frame reply;
    result = ppi::ReceiveFrame(link_, deadline, reply);
    if (result == 0 && reply.kind == ppi::Frame::kData) {
      if (reply.da != own_ || reply.sa != plc_ || (reply.fc & 0x40) != 0) {
        result = daveResBadFrame;
      } else if (reply.data.empty()) {
        result = daveResShortPacket;
      } else {
        answer = std::move(reply.data);
        return 0;
      }
    } else if (result == 0) {
      notReady = true;  // E5 or a short "no data" answer
      fc ^= ppi::kFcbToggle;
      continue;
    }
    if (result == daveResConnectionClosed || result == daveResConnectionReset ||
        result == daveResPortNotOpen) {
      return result;
    }
    if (++failures >= kRequestAttempts) break;
  }
  if (budget_.callOver()) return daveResTimeout;
  return notReady && result == 0 ? daveResStationNotReady : result;
}

}  // namespace nodave
