// The integer field with the string-resource library loaded: its messages,
// captions and range display come from the numbered texts.
#include <gtest/gtest.h>

#include "support/VNString.h"
#include "tests/plc/FakeNoDave.h"  // BoxRecorder
#include "tests/ui/UiTestSupport.h"

namespace {

class IntegerEditStringsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadStringLibrary()) << "the fixture library is found through LD_LIBRARY_PATH";
    field = win.Add(new TIntegerEdit);
    ASSERT_TRUE(win.Show());
  }
  void TearDown() override { FreeStringLibrary(); }

  BoxRecorder recorder;
  TestWindow win;
  TIntegerEdit* field = nullptr;
};

TEST_F(IntegerEditStringsTest, RefusalsAreReportedWithTheNumberedTexts) {
  field->SetMinValue(1);
  field->SetMaxValue(10);
  field->SetIsZeroAllowed(false);
  const std::vector<std::pair<QString, std::string>> rows = {
      {"x", "RES:Keine gültige Zahl"},  // typed "x" is refused, so the text is empty
      {"11", "RES:Zahl zu groß"},
      {"0", "RES:Zahl zu klein"},
  };
  for (const auto& [typed, message] : rows) {
    recorder.boxes.clear();
    TypeAndLeave(field, typed);
    QCoreApplication::processEvents();
    ASSERT_EQ(recorder.boxes.size(), 1u) << typed.toStdString();
    EXPECT_EQ(recorder.boxes[0].text, message);
    EXPECT_EQ(recorder.boxes[0].caption, "RES:Fehler");
    EXPECT_EQ(recorder.boxes[0].flags, static_cast<unsigned>(MB_ICONWARNING));
  }
  field->SetMinValue(-1);
  recorder.boxes.clear();
  TypeAndLeave(field, "0");
  QCoreApplication::processEvents();
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text, "RES:Null ist nicht erlaubt");
}

TEST_F(IntegerEditStringsTest, TheRangeDisplayIsBuiltFromTheNumberedTexts) {
  struct Row {
    int min, max;
    bool zero;
    std::string text;
  };
  const std::vector<Row> rows = {
      {0, 100000, true, "RES:Wertebereich:\n\rRES:ab: 0\n\rRES:höchstens: 100000"},
      {0, 0, false, "RES:Wertebereich:\n\rRES:ohne Grenzen\r\nRES:(0 ist verboten)"},
  };
  for (const auto& row : rows) {
    recorder.boxes.clear();
    field->SetMinValue(row.min);
    field->SetMaxValue(row.max);
    field->SetIsZeroAllowed(row.zero);
    QTest::mouseClick(field, Qt::RightButton);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text, row.text);
    EXPECT_EQ(recorder.boxes[0].caption, "RES:Wertebereich");
    EXPECT_EQ(recorder.boxes[0].flags, static_cast<unsigned>(MB_ICONWARNING));
  }
}

}  // namespace
