// The integer field: its key filter, the check when the focus leaves, the
// value it yields, its formatting, the range display and the spinner.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QClipboard>
#include <QRandomGenerator>
#include <QToolButton>
#include <climits>
#include <string>
#include <vector>

#include "FakeNoDave.h"  // BoxRecorder
#include "UiTestSupport.h"
#include "VNErrors.h"

using ::testing::ElementsAre;

namespace {

constexpr unsigned kErrorFlags = MB_ICONWARNING | MB_TASKMODAL;

class IntegerEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    field = win.Add(new TIntegerEdit);
    ASSERT_TRUE(win.Show());
  }
  // Processes the posted error report, if any.
  void Settle() { QCoreApplication::processEvents(); }

  BoxRecorder recorder;
  BeepCounter beeper;
  TestWindow win;
  TIntegerEdit* field = nullptr;
};

TEST_F(IntegerEditTest, StartsAsAnUnlimitedFieldShowingZero) {
  EXPECT_EQ(field->text(), "0");
  EXPECT_EQ(field->GetValue(), 0);
  EXPECT_FALSE(field->HasLimits());
  EXPECT_TRUE(field->IsZeroAllowed());
  EXPECT_EQ(field->Format(), "%3d");
  EXPECT_TRUE(field->NoBlanks());
  EXPECT_TRUE(field->Beep());
}

TEST_F(IntegerEditTest, TypedKeysOtherThanDigitsSignsAndBackspaceAreRefusedWithABeep) {
  struct Row {
    QString typed;
    QString shown;
    int beeps;
  };
  const std::vector<Row> rows = {
      {"a", "", 1},     {"-", "-", 0},    {"+12", "+12", 0}, {"0123456789", "0123456789", 0},
      {"1.5", "15", 1}, {"1,5", "15", 1}, {" 7", "7", 1},    {"1e3", "13", 1},
      {"x1F", "1", 2},  {"$", "", 1},
  };
  for (const auto& row : rows) {
    field->clear();
    beeper.beeps = 0;
    QTest::keyClicks(field, row.typed);
    EXPECT_EQ(field->text(), row.shown) << row.typed.toStdString();
    EXPECT_EQ(beeper.beeps, row.beeps) << row.typed.toStdString();
  }
  // Letters beyond ASCII, as a German or any other keyboard types them.
  field->clear();
  beeper.beeps = 0;
  QTest::sendKeyEvent(QTest::Click, field, Qt::Key_Adiaeresis, QString::fromUtf8("ä"),
                      Qt::NoModifier);
  QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString::fromUtf8("€"), Qt::NoModifier);
  QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString::fromUtf8("٣"),
                      Qt::NoModifier);  // an Arabic-Indic digit is no digit here
  EXPECT_EQ(field->text(), "");
  EXPECT_EQ(beeper.beeps, 3);
  // Control characters are refused too; Return would otherwise reach the dialog.
  field->setText("12");
  beeper.beeps = 0;
  QTest::keyClick(field, Qt::Key_Return);
  QTest::keyClick(field, Qt::Key_Escape);
  EXPECT_EQ(beeper.beeps, 2);
  // Backspace, Delete and the cursor keys edit as usual, silently.
  QTest::keyClick(field, Qt::Key_Backspace);
  QTest::keyClick(field, Qt::Key_Home);
  QTest::keyClick(field, Qt::Key_Delete);
  EXPECT_EQ(field->text(), "");
  EXPECT_EQ(beeper.beeps, 2);
}

TEST_F(IntegerEditTest, WithoutBeepARefusedKeyIsSilent) {
  field->SetBeep(false);
  field->clear();
  QTest::keyClicks(field, "a1");
  EXPECT_EQ(field->text(), "1");
  EXPECT_EQ(beeper.beeps, 0);
}

class DecimalEdit : public TIntegerEdit {
 public:
  bool IsValidChar(char key) override { return key == '.' || TIntegerEdit::IsValidChar(key); }
};

TEST_F(IntegerEditTest, ADescendantCanWidenTheFilter) {
  auto* decimal = win.Add(new DecimalEdit);
  decimal->clear();
  QTest::keyClicks(decimal, "1.5a");
  EXPECT_EQ(decimal->text(), "1.5");
  EXPECT_EQ(beeper.beeps, 1);
}

TEST_F(IntegerEditTest, ValidateClassifiesTheText) {
  struct Row {
    int min, max;
    bool zero;
    std::string text;
    int code;
  };
  using C = TIntegerEdit::TCheckCode;
  const std::vector<Row> rows = {
      // Anything that reads as a decimal number passes a field without limits.
      {0, 0, true, "0", C::icOk},
      {0, 0, true, "  -17", C::icOk},
      {0, 0, true, "12.5", C::icOk},
      {0, 0, true, ".5", C::icOk},
      {0, 0, true, "1e3", C::icOk},
      {0, 0, true, "-2.5E-3", C::icOk},
      {0, 0, true, "99999999999", C::icOk},
      // Not numbers.
      {0, 0, true, "", C::icNoNumber},
      {0, 0, true, " ", C::icNoNumber},
      {0, 0, true, "+", C::icNoNumber},
      {0, 0, true, "-", C::icNoNumber},
      {0, 0, true, "1-2", C::icNoNumber},
      {0, 0, true, "5 ", C::icNoNumber},
      {0, 0, true, "1e", C::icNoNumber},
      {0, 0, true, ".", C::icNoNumber},
      {0, 0, true, "$10", C::icNoNumber},
      {0, 0, true, "0x10", C::icNoNumber},
      {0, 0, true, "1,5", C::icNoNumber},
      {0, 0, true, "1e99999", C::icNoNumber},  // beyond any real
      // Limits are inclusive.
      {1, 65535, true, "0", C::icTooSmall},
      {1, 65535, true, "1", C::icOk},
      {1, 65535, true, "65535", C::icOk},
      {1, 65535, true, "65535.5", C::icTooBig},
      {1, 65535, true, "65536", C::icTooBig},
      {1, 65535, true, "0.5", C::icTooSmall},
      {3, 3, true, "3", C::icOk},
      {3, 3, true, "4", C::icTooBig},
      // Swapped limits: the lower test wins where both hold.
      {10, 5, true, "7", C::icTooSmall},
      {10, 5, true, "3", C::icTooSmall},
      {10, 5, true, "20", C::icTooBig},
      // Zero forbidden, in every spelling.
      {0, 0, false, "0", C::icZeroNotAllowed},
      {0, 0, false, "+0", C::icZeroNotAllowed},
      {0, 0, false, "-0", C::icZeroNotAllowed},
      {0, 0, false, "0.0", C::icZeroNotAllowed},
      {0, 0, false, "0.01", C::icOk},
      {-5, 5, false, "0", C::icZeroNotAllowed},
      {1, 5, false, "0", C::icTooSmall},  // the range speaks first
  };
  for (const auto& row : rows) {
    field->SetMinValue(row.min);
    field->SetMaxValue(row.max);
    field->SetIsZeroAllowed(row.zero);
    field->setText(QString::fromStdString(row.text));
    EXPECT_EQ(field->Validate(), row.code)
        << '"' << row.text << "\" in " << row.min << ".." << row.max;
  }
}

TEST_F(IntegerEditTest, ValueReadsWholeNumbersWithinTheLimitsAndOtherwiseTheLastOne) {
  struct Row {
    int min, max;
    std::string text;
    int expected;  // with 42 as the last accepted value
  };
  const std::vector<Row> rows = {
      {0, 0, "17", 17},
      {0, 0, "  -17", -17},
      {0, 0, "$1F", 31},
      {0, 0, "0x1F", 31},
      {0, 0, "2147483647", INT_MAX},
      {0, 0, "-2147483648", INT_MIN},
      {0, 0, "2147483648", 42},
      {0, 0, "99999999999", 42},
      {0, 0, "12.5", 42},
      {0, 0, "1e3", 42},
      {0, 0, "", 42},
      {0, 0, "17 ", 42},
      {1, 100, "100", 100},
      {1, 100, "101", 42},
      {1, 100, "0", 42},
  };
  for (const auto& row : rows) {
    field->SetMinValue(row.min);
    field->SetMaxValue(row.max);
    field->SetValue(42);
    field->setText(QString::fromStdString(row.text));
    EXPECT_EQ(field->GetValue(), row.expected) << row.text;
    EXPECT_EQ(field->text().toStdString(), row.text) << "reading never changes the text";
  }
  // A number read becomes the value to fall back on.
  field->SetMinValue(0);
  field->SetMaxValue(0);
  field->setText("7");
  EXPECT_EQ(field->GetValue(), 7);
  field->setText("junk");
  EXPECT_EQ(field->GetValue(), 7);
}

TEST_F(IntegerEditTest, SetValueFormatsWithoutCheckingTheLimits) {
  struct Row {
    std::string format;
    bool noBlanks;
    int value;
    QString shown;
  };
  const std::vector<Row> rows = {
      {"%3d", true, 5, "5"},       {"%3d", false, 5, "  5"}, {"%3d", true, -12345, "-12345"},
      {"%-4d", false, 7, "7   "},  {"%.3d", true, 7, "007"}, {"Nr. %d", true, 7, "Nr. 7"},
      {"%d %%", true, 50, "50 %"}, {"%x", true, 255, "FF"},  {"%u", true, -1, "4294967295"},
  };
  field->SetMinValue(1);
  field->SetMaxValue(10);
  for (const auto& row : rows) {
    field->SetFormat(row.format);
    field->SetNoBlanks(row.noBlanks);
    field->SetValue(row.value);
    EXPECT_EQ(field->text(), row.shown) << row.format;
  }
  EXPECT_TRUE(recorder.boxes.empty());
}

TEST_F(IntegerEditTest, APatternThatCannotFormatOneNumberIsRefused) {
  for (const std::string pattern : {"", "%s", "%d %d", "%n", "%f", "%", "%999d", "abc"}) {
    EXPECT_THROW(field->SetFormat(pattern), EConvertError) << pattern;
    EXPECT_EQ(field->Format(), "%3d");
  }
}

// A field like the TCP frame's PortEdit.
class PortFieldTest : public IntegerEditTest {
 protected:
  void SetUp() override {
    IntegerEditTest::SetUp();
    field->SetMinValue(1);
    field->SetMaxValue(65535);
    field->SetValue(102);
  }
};

TEST_F(PortFieldTest, LeavingWithAnUnacceptableTextReportsItRestoresTheValueAndKeepsTheFocus) {
  const std::vector<std::pair<QString, std::string>> rows = {
      {"0", "Zahlenwert zu klein"},
      {"65536", "Zahlenwert zu groß"},
      {"1-2", "Falsches Zahlenformat"},
      {"", "Falsches Zahlenformat"},
  };
  for (const auto& [typed, message] : rows) {
    recorder.boxes.clear();
    QWidget* focusWhenShown = nullptr;
    auto previous = SetMessageBoxHandler(
        [&](const std::string& text, const std::string& caption, unsigned flags) {
          focusWhenShown = QApplication::focusWidget();
          recorder.boxes.push_back({text, caption, flags});
          return IDOK;
        });
    TypeAndLeave(field, typed);
    // The report waits until the focus change has completed.
    EXPECT_TRUE(recorder.boxes.empty()) << typed.toStdString();
    EXPECT_EQ(field->text(), "102") << typed.toStdString();
    EXPECT_EQ(QApplication::focusWidget(), field) << typed.toStdString();
    Settle();
    SetMessageBoxHandler(std::move(previous));
    ASSERT_EQ(recorder.boxes.size(), 1u) << typed.toStdString();
    EXPECT_EQ(recorder.boxes[0].text, message);
    EXPECT_EQ(recorder.boxes[0].caption, "Fehler");
    EXPECT_EQ(recorder.boxes[0].flags, kErrorFlags);
    EXPECT_EQ(focusWhenShown, field);
    EXPECT_EQ(field->GetValue(), 102);
  }
}

TEST_F(PortFieldTest, LeavingWithAnAcceptableTextAcceptsIt) {
  TypeAndLeave(field, "4711");
  Settle();
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ(QApplication::focusWidget(), win.elsewhere);
  EXPECT_EQ(field->GetValue(), 4711);
  // The accepted value is what a later refusal brings back.
  TypeAndLeave(field, "0");
  Settle();
  EXPECT_EQ(field->text(), "4711");
}

TEST_F(IntegerEditTest, NumbersThatAreNotWholeOr32BitPassTheCheckButValueKeepsTheLastOne) {
  field->SetValue(5);
  for (const QString text : {"12.5", "99999999999"}) {
    field->setFocus();
    field->setText(text);  // "." cannot be typed; it arrives pasted
    QTest::keyClick(field, Qt::Key_Tab);
    Settle();
    EXPECT_TRUE(recorder.boxes.empty()) << text.toStdString();
    EXPECT_EQ(QApplication::focusWidget(), win.elsewhere);
    EXPECT_EQ(field->text(), text);
    EXPECT_EQ(field->GetValue(), 5);
  }
}

TEST_F(IntegerEditTest, SwappedLimitsAreCheckedOnLeaving) {
  field->SetMinValue(10);
  field->SetMaxValue(5);
  const std::vector<std::pair<QString, std::string>> rows = {
      {"7", "Zahlenwert zu klein"}, {"3", "Zahlenwert zu klein"}, {"20", "Zahlenwert zu groß"}};
  for (const auto& [typed, message] : rows) {
    recorder.boxes.clear();
    TypeAndLeave(field, typed);
    Settle();
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text, message) << typed.toStdString();
  }
}

TEST_F(IntegerEditTest, ZeroForbiddenIsReportedInEverySpelling) {
  field->SetIsZeroAllowed(false);
  field->SetValue(3);
  for (const QString typed : {"0", "+0", "-0"}) {
    recorder.boxes.clear();
    TypeAndLeave(field, typed);
    Settle();
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text, "Zahlenwert 0 nicht erlaubt");
    EXPECT_EQ(field->text(), "3");
  }
}

TEST_F(IntegerEditTest, PastedTextIsNotFilteredButCheckedOnLeaving) {
  field->SetValue(8);
  QApplication::clipboard()->setText("12abc");
  field->setFocus();
  field->selectAll();
  QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(field->text(), "12abc");
  EXPECT_EQ(beeper.beeps, 0);
  QTest::keyClick(field, Qt::Key_Tab);
  Settle();
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text, "Falsches Zahlenformat");
  EXPECT_EQ(field->text(), "8");
  EXPECT_EQ(QApplication::focusWidget(), field);
}

TEST_F(IntegerEditTest, AReadOnlyFieldIsNeitherCheckedNorShowsItsRange) {
  field->SetMinValue(1);
  field->SetMaxValue(5);
  field->setText("junk");
  field->setReadOnly(true);
  field->setFocus();
  QTest::keyClick(field, Qt::Key_Tab);
  Settle();
  EXPECT_EQ(field->text(), "junk");
  EXPECT_EQ(QApplication::focusWidget(), win.elsewhere);
  QTest::mouseClick(field, Qt::RightButton);
  Settle();
  EXPECT_TRUE(recorder.boxes.empty());
  // Without the range display the usual edit menu comes up instead.
  if (auto* menu = QApplication::activePopupWidget()) menu->close();
}

TEST_F(IntegerEditTest, TwoFieldsWithUnacceptableValuesDoNotPullTheFocusToAndFro) {
  // Values set by a program are not checked, so both hold refused numbers.
  auto* second = win.Add(new TIntegerEdit);
  second->show();
  for (auto* f : {field, second}) {
    f->SetMinValue(1);
    f->SetMaxValue(5);
    f->SetValue(0);
  }
  field->setFocus();
  second->setFocus(Qt::TabFocusReason);
  Settle();
  EXPECT_EQ(QApplication::focusWidget(), field);
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text, "Zahlenwert zu klein");
}

TEST_F(IntegerEditTest, LosingTheWindowIsNotLeavingTheField) {
  field->SetMinValue(1);
  field->SetMaxValue(5);
  field->setFocus();
  field->setText("9");
  QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(field, &deactivated);
  Settle();
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ(field->text(), "9");
}

TEST_F(IntegerEditTest, TheRightButtonShowsTheRange) {
  struct Row {
    int min, max;
    bool zero;
    std::string text;
  };
  const std::vector<Row> rows = {
      {0, 100000, true, "Zulässiger Wertebereich:\n\rvon: 0\n\rbis: 100000"},
      {-5, 5, true, "Zulässiger Wertebereich:\n\rvon: -5\n\rbis: 5"},
      {0, 0, false, "Zulässiger Wertebereich:\n\rkeine Einschränkungen\r\n(Wert 0 nicht erlaubt)"},
      {0, 0, true, "Zulässiger Wertebereich:\n\rkeine Einschränkungen"},
      {1, 9, false, "Zulässiger Wertebereich:\n\rvon: 1\n\rbis: 9\r\n(Wert 0 nicht erlaubt)"},
  };
  for (const auto& row : rows) {
    recorder.boxes.clear();
    field->SetMinValue(row.min);
    field->SetMaxValue(row.max);
    field->SetIsZeroAllowed(row.zero);
    QTest::mouseClick(field, Qt::RightButton);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text, row.text);
    EXPECT_EQ(recorder.boxes[0].caption, "Zulässiger Wertebereich");
    EXPECT_EQ(recorder.boxes[0].flags, kErrorFlags);
  }
}

TEST_F(IntegerEditTest, TheRangeIsNotShownForOtherButtonsANegativeTagOrAnotherHandler) {
  QTest::mouseClick(field, Qt::LeftButton);
  QTest::mouseClick(field, Qt::MiddleButton);
  field->SetTag(-1);
  QTest::mouseClick(field, Qt::RightButton);
  field->SetTag(0);
  std::vector<Qt::MouseButton> pressed;
  field->SetOnMouseDown([&pressed](Qt::MouseButton button) { pressed.push_back(button); });
  QTest::mouseClick(field, Qt::RightButton);
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_THAT(pressed, ElementsAre(Qt::RightButton));
}

TEST_F(IntegerEditTest, CheckInputPostsTheReportForLater) {
  field->SetMinValue(1);
  field->SetMaxValue(2);
  field->setFocus();
  field->setText("3");
  EXPECT_FALSE(field->CheckInput());
  EXPECT_TRUE(recorder.boxes.empty());
  Settle();
  EXPECT_EQ(recorder.boxes.size(), 1u);
  field->setText("2");
  EXPECT_TRUE(field->CheckInput());
  Settle();
  EXPECT_EQ(recorder.boxes.size(), 1u);
}

TEST_F(IntegerEditTest, NoTextCrashesTheFieldAndValueIsAlwaysANumber) {
  field->SetMinValue(-100);
  field->SetMaxValue(100);
  field->SetValue(1);
  std::vector<QString> texts = {QString(5000, '9'),
                                QString(5000, '-'),
                                "1e" + QString(400, '9'),
                                "-." + QString(300, '0') + "1",
                                QString::fromUtf8("\xe2\x82\xac"),
                                QString(QChar(0)),
                                "\t5",
                                "0x",
                                "$",
                                "+-1",
                                "1e+",
                                "nan",
                                "inf",
                                "-1e-99999"};
  auto* random = QRandomGenerator::global();
  const QString alphabet = QStringLiteral("0123456789+-.eE$xX ,\t\xe4");
  for (int i = 0; i < 300; ++i) {
    QString text;
    const int length = random->bounded(12);
    for (int k = 0; k < length; ++k) text += alphabet[random->bounded(alphabet.size())];
    texts.push_back(text);
  }
  for (const auto& text : texts) {
    field->setFocus();
    field->setText(text);
    const int code = field->Validate();
    EXPECT_GE(code, 0);
    EXPECT_LE(code, 4);
    const int value = field->GetValue();
    EXPECT_GE(value, -100);
    EXPECT_LE(value, 100);
    QTest::keyClick(field, Qt::Key_Tab);
    Settle();
    // Whatever was refused, the field shows an accepted value again.
    if (code != 0) EXPECT_EQ(field->text(), QString::number(value)) << text.toStdString();
  }
}

// The spinner attached to a field.
class UpDownTest : public IntegerEditTest {
 protected:
  void SetUp() override {
    IntegerEditTest::SetUp();
    spinner = win.Add(new TUpDown);
    spinner->SetRange(0, 3);
    spinner->SetAssociate(field);
  }
  TUpDown* spinner = nullptr;
};

TEST_F(UpDownTest, TheArrowsStepWithinTheRangeWithoutWrappingAround) {
  spinner->SetPosition(0);
  auto* up = spinner->findChild<QToolButton*>("UpButton");
  auto* down = spinner->findChild<QToolButton*>("DownButton");
  ASSERT_TRUE(up && down);
  std::vector<QString> shown;
  for (auto* button : {down, up, up, up, up, down}) {
    QTest::mouseClick(button, Qt::LeftButton);
    shown.push_back(field->text());
  }
  EXPECT_THAT(shown, ElementsAre("0", "1", "2", "3", "3", "2"));
  EXPECT_EQ(spinner->Position(), 2);
  // The arrow keys in the field do the same.
  field->setFocus();
  QTest::keyClick(field, Qt::Key_Up);
  EXPECT_EQ(field->text(), "3");
  QTest::keyClick(field, Qt::Key_Down);
  QTest::keyClick(field, Qt::Key_Down);
  EXPECT_EQ(field->text(), "1");
  EXPECT_EQ(beeper.beeps, 0);
}

TEST_F(UpDownTest, ThePositionIsTheNumberInTheFieldOrTheLastPosition) {
  spinner->SetPosition(2);
  const std::vector<std::pair<QString, int>> rows = {
      {"3", 3},        {"  1", 1},   {"25000", 25000}, {"-32768", -32768}, {"32768", -32768},
      {"abc", -32768}, {"", -32768}, {"1.5", -32768},  {"$10", -32768},    {"7", 7},
  };
  for (const auto& [text, position] : rows) {
    field->setText(text);
    EXPECT_EQ(spinner->Position(), position) << text.toStdString();
  }
  // Stepping starts from the number in the field and comes back into range.
  field->setText("25000");
  spinner->Step(1);
  EXPECT_EQ(field->text(), "3");
}

TEST_F(UpDownTest, SettingThePositionShowsItAndMakesItTheValueToFallBackOn) {
  spinner->SetPosition(2);
  EXPECT_EQ(field->text(), "2");
  EXPECT_EQ(field->GetValue(), 2);
  TypeAndLeave(field, "1-2");
  Settle();
  EXPECT_EQ(field->text(), "2");
  // Positions are 16 bits wide.
  EXPECT_NO_THROW(spinner->SetPosition(-32768));
  EXPECT_NO_THROW(spinner->SetPosition(32767));
  EXPECT_THROW(spinner->SetPosition(32768), ERangeError);
  EXPECT_THROW(spinner->SetPosition(-32769), ERangeError);
  EXPECT_EQ(field->text(), "32767");
}

TEST_F(UpDownTest, TextWrittenByTheSpinnerIsCheckedOnLeaving) {
  field->SetMinValue(0);
  field->SetMaxValue(2);
  spinner->SetPosition(2);
  field->setFocus();
  QTest::mouseClick(spinner->findChild<QToolButton*>("UpButton"), Qt::LeftButton);
  EXPECT_EQ(field->text(), "3");
  EXPECT_EQ(QApplication::focusWidget(), field) << "the arrows leave the focus where it is";
  QTest::keyClick(field, Qt::Key_Tab);
  Settle();
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text, "Zahlenwert zu groß");
  EXPECT_EQ(field->text(), "2");
}

}  // namespace
