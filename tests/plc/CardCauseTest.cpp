// What the card adds to the library's failure detail: for the serial types,
// which detail explains the failure (an MPI port that did not open shows up
// only at the adapter) and that a failed partner listing is a failure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "plc/Card.h"
#include "tests/plc/FakeNoDave.h"
#include "tests/support/testsupport/ConfigTexts.h"
#include "tests/support/testsupport/TempFolder.h"

namespace {

daveFailure Detail(int step, int result, int osError, const char* device, const char* group = "") {
  daveFailure failure{};
  failure.step = step;
  failure.result = result;
  failure.osError = osError;
  std::strncpy(failure.device, device, sizeof failure.device - 1);
  std::strncpy(failure.speed, "38400", sizeof failure.speed - 1);
  std::strncpy(failure.group, group, sizeof failure.group - 1);
  return failure;
}

class CardCauseTest : public TempFolderTest {};

TEST_F(CardCauseTest, SerialFailuresNameTheDeviceAndWhy) {
  enum Operation { OrderCode, Partners };
  const struct Case {
    const char* name;
    int type;
    Operation operation;
    daveFailure open, interface;
    const char* message;
    const char* cause;
  } cases[] = {
      {"MPI device missing",
       1,
       OrderCode,
       Detail(daveStepSerialOpen, -1, ENOENT, "/dev/ttyUSB9"),
       {},
       "Error: the port is not open",
       "/dev/ttyUSB9 does not exist; no serial adapter is connected"},
      {"PPI device not allowed",
       3,
       OrderCode,
       Detail(daveStepSerialOpen, -1, EACCES, "/dev/ttyS2", "dialout"),
       {},
       "Could not open the serial interface \"COM3\"",
       "/dev/ttyS2: permission denied - the device belongs to the group \"dialout\"; add the user "
       "to it and log in again"},
      {"PPI device refused to the user",
       3,
       OrderCode,
       Detail(daveStepSerialOpen, -1, EPERM, "/dev/ttyS2", "dialout"),
       {},
       "Could not open the serial interface \"COM3\"",
       "/dev/ttyS2: permission denied - the device belongs to the group \"dialout\"; add the user "
       "to it and log in again"},
      {"partner listing silent",
       0,
       Partners,
       {},
       Detail(daveStepBusPartners, daveResTimeout, 0, "/dev/ttyUSB0"),
       "Error: no answer",
       "Step \"bus partners\": no answer from the adapter on /dev/ttyUSB0 at 38400 bit/s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeNoDave fake;
    fake.errorTexts = {{daveResPortNotOpen, "the port is not open"}, {daveResTimeout, "no answer"}};
    fake.failSetPort = c.open.step != daveStepNone;
    fake.openFailure = c.open;
    fake.initAdapterResult = fake.failSetPort ? daveResPortNotOpen : 0;
    fake.interfaceFailure = c.interface;
    fake.partnersFilled = daveResTimeout;
    TCard card(0, (dir / "libs7drv.so").string());
    TIntegerList partners;
    const TResult result = c.operation == OrderCode
                               ? card.ReadOrderCode(DistinctSettings(c.type)).Result
                               : card.ListPartners(DistinctSettings(c.type), partners);
    EXPECT_EQ(result.Text(), std::string(c.message) + "\n" + c.cause);
    EXPECT_THAT(fake.openHandles, ::testing::IsEmpty());
  }
}

}  // namespace
