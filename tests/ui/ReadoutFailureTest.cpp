// "Readout Info " when the connection works but the PLC refuses the read:
// the error box with the cause, never a memo that looks like success.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>

#include "tests/ui/DialogTestSupport.h"
#include "tests/support/testsupport/ConfigTexts.h"

namespace {

class ReadoutFailureTest : public DialogTest {};

TEST_F(ReadoutFailureTest, ARefusedReadShowsTheBoxWithItsCause) {
  WriteConfig(DistinctSettings(4), {});
  fake.errorTexts = {{0x8104, "PLC: service not implemented"}};
  fake.orderCodeResult = 0x8104;
  fake.connectionFailure.step = daveStepOrderCode;
  fake.connectionFailure.result = 0x8104;
  fake.connectionFailure.s7Error = 0x8104;
  TConfigDlg& dlg = MakeDialog();

  Child<QPushButton>(&dlg, "InfoLesenBtn")->click();

  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text.substr(0, boxes.boxes[0].text.find('\n')),
            "Error: PLC: service not implemented");
  EXPECT_NE(boxes.boxes[0].text.find("\nStep \"order code\": the PLC answered with error "
                                     "0x8104"),
            std::string::npos);
  EXPECT_EQ(Child<QPlainTextEdit>(&dlg, "Memo1")->toPlainText(), "Order Code:");
}

}  // namespace
