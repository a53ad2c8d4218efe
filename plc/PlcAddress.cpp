#include "plc/PlcAddress.h"

#include "plc/nodave/nodave.h"

int TPlcAddress::AreaRank(std::uint8_t area) {
  switch (area) {
    case daveInputs:
      return 0;
    case daveOutputs:
      return 1;
    case daveFlags:
      return 2;
    case daveTimer:
      return 3;
    case daveCounter:
      return 4;
    default:
      return 5;
  }
}
