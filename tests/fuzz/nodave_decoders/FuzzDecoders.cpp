// Every decoder of bytes from a PLC or adapter, fed the raw input.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "plc/nodave/Failure.h"
#include "plc/nodave/IsoTcp.h"
#include "plc/nodave/Mpi.h"
#include "plc/nodave/ReadVar.h"
#include "plc/nodave/S7Pdu.h"
#include "plc/nodave/nodave.h"

using namespace nodave;

namespace {

// What a decoder's result becomes for the user: the detail recorded for
// the step and its cause line.
int Explained(int step, int result) {
  PortOrigin origin;
  SetField(origin.address, "192.0.2.1:102");
  const daveFailure failure = MakeFailure(step, result, origin);
  daveCause cause;
  (void)daveDescribeFailure(&failure, &cause);
  return result;
}

// A detail with any contents at all: unterminated texts, any step, codes.
void DescribeRaw(ByteSpan input) {
  daveFailure failure;
  std::memset(&failure, 0xA5, sizeof failure);
  std::memcpy(&failure, input.data(), std::min(input.size(), sizeof failure));
  daveCause cause;
  (void)daveDescribeFailure(&failure, &cause);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteSpan input(data, size);
  DescribeRaw(input);
  s7::Pdu pdu;
  (void)s7::ParsePdu(input, pdu);
  std::uint16_t pduLength = 0;
  (void)Explained(daveStepS7Setup, s7::ParseSetupAnswer(input, 1, pduLength));
  s7::SzlPart part;
  if (Explained(daveStepSzlRead, s7::ParseSzlAnswer(input, 1, part)) == 0) {
    s7::SzlList list;
    if (s7::ParseSzlList(part.payload, list) == 0) {
      std::array<char, s7::kOrderCodeLength> code{};
      (void)Explained(daveStepOrderCode, s7::FindOrderCode(list, code));
    }
  }
  s7::SzlList direct;
  if (s7::ParseSzlList(input, direct) == 0) {
    std::array<char, s7::kOrderCodeLength> code{};
    (void)s7::FindOrderCode(direct, code);
    // daveReadSZL's copy into a caller's buffer of any length up to 64.
    std::array<std::uint8_t, 64> buffer{};
    const std::size_t room = size == 0 ? 0 : data[0] % (buffer.size() + 1);
    (void)s7::CopySzlList(direct, std::span(buffer.data(), room));
  }
  // A read-var answer to items the input's first bytes choose: any area,
  // any count, up to the 20 a request carries.
  std::vector<s7::ReadItem> items;
  for (std::size_t i = 0; i + 1 < std::min<std::size_t>(size, 40); i += 2) {
    const std::uint8_t areas[] = {0x81, 0x82, 0x83, 0x84, 0x1C, 0x1D};
    items.push_back({areas[data[i] % 6], 1, 0, static_cast<std::uint16_t>(data[i + 1] % 8 + 1)});
  }
  std::vector<s7::ReadResult> results;
  if (Explained(daveStepReadVars, s7::ParseReadVarAnswer(input, 1, items, results)) == 0) {
    for (std::size_t i = 0; i < results.size(); ++i)
      if (results[i].code == 0 && results[i].data.size() != s7::ItemDataBytes(items[i]))
        __builtin_trap();
  }
  (void)Explained(daveStepIsoConnect, iso::CheckConnectionConfirm(input));
  (void)Explained(daveStepAdapter, mpi::CheckAdapterAnswer(input, 0x03));
  std::uint8_t partners[126];
  (void)mpi::ParseBusScan(input, partners, sizeof partners);
  mpi::BusTelegram telegram;
  (void)mpi::ParseBusTelegram(input, telegram);
  return 0;
}
