// Whole sessions (adapter set-up, connect, order code, disconnect) over ISO
// on TCP, PPI and MPI with the input as everything the other side sends,
// handed out in pieces of a size the input chooses. The fake clock makes
// every time-out instant.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "plc/nodave/Session.h"
#include "plc/nodave/nodave.h"
#include "tests/plc/nodave/FakeTransport.h"

using namespace nodave;
using namespace nodave::testing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  static const int protocols[] = {daveProtoISOTCP, daveProtoPPI, daveProtoMPI};
  int protocol = protocols[data[0] % 3];
  std::size_t chunk = data[1] % 16;
  FakeClock clock;
  FakeTransport link(clock);
  link.reply(Bytes(data + 2, data + size), chunk);
  auto iface = Interface::Create(std::make_unique<TransportRef>(link), clock, "IF1", 0, protocol,
                                 daveSpeed187k);
  iface->setTimeout(Micros(1000));
  if (iface->initAdapter() == 0) {
    std::uint8_t partners[126];
    (void)iface->listReachablePartners(partners, sizeof partners);
    Connection connection(*iface, 2, 0, 2);
    if (connection.connectPLC() == 0) {
      std::array<char, 20> code{};
      (void)connection.readOrderCode(code);
      (void)connection.disconnectPLC();
    }
    (void)iface->disconnectAdapter();
  }
  return 0;
}
