// The integer field: its key filter, the check when the focus leaves, the
// value it yields, its formatting, the range display and the spinner.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QClipboard>
#include <QRandomGenerator>
#include <QToolButton>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "support/VNErrors.h"
#include "tests/plc/FakeNoDave.h"  // BoxRecorder
#include "tests/ui/UiTestSupport.h"

using ::testing::ElementsAre;

namespace {

constexpr unsigned kBoxFlags = MB_ICONWARNING | MB_TASKMODAL;

class IntegerEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    field = win.Add(new TIntegerEdit);
    ASSERT_TRUE(win.Show());
  }
  void Limit(int min, int max, bool zero = true) {
    field->SetMinValue(min);
    field->SetMaxValue(max);
    field->SetIsZeroAllowed(zero);
  }
  // Processes the posted error report, if any.
  void Settle() { QCoreApplication::processEvents(); }

  BoxRecorder recorder;
  BeepCounter beeper;
  TestWindow win;
  TIntegerEdit* field = nullptr;
};

class DecimalEdit : public TIntegerEdit {
 public:
  bool IsValidChar(char key) override { return key == '.' || TIntegerEdit::IsValidChar(key); }
};

TEST_F(IntegerEditTest, TypedKeysOtherThanDigitsSignsAndBackspaceAreRefusedWithABeep) {
  EXPECT_EQ(field->text(), "0");
  const std::vector<std::tuple<QString, QString, int>> rows = {
      {"a", "", 1},     {"-", "-", 0},  {"+12", "+12", 0}, {"0123456789", "0123456789", 0},
      {"1.5", "15", 1}, {" 7", "7", 1}, {"x1F", "1", 2},   {"$", "", 1},
  };
  for (const auto& [typed, shown, beeps] : rows) {
    field->clear();
    beeper.beeps = 0;
    QTest::keyClicks(field, typed);
    EXPECT_EQ(field->text(), shown) << typed.toStdString();
    EXPECT_EQ(beeper.beeps, beeps) << typed.toStdString();
  }
  // Letters beyond ASCII, Return and Escape are refused as well; Backspace,
  // Delete and the cursor keys edit silently.
  field->setText("12");
  beeper.beeps = 0;
  for (const char* letter : {"ä", "€", "٣"})
    QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString::fromUtf8(letter),
                        Qt::NoModifier);
  QTest::keyClick(field, Qt::Key_Return);
  QTest::keyClick(field, Qt::Key_Escape);
  EXPECT_EQ(beeper.beeps, 5);
  QTest::keyClick(field, Qt::Key_Backspace);
  QTest::keyClick(field, Qt::Key_Home);
  QTest::keyClick(field, Qt::Key_Delete);
  EXPECT_EQ(field->text(), "");
  EXPECT_EQ(beeper.beeps, 5);
  // Without Beep the refusal is silent; a descendant may widen the filter.
  field->SetBeep(false);
  QTest::keyClicks(field, "a1");
  EXPECT_EQ(field->text(), "1");
  EXPECT_EQ(beeper.beeps, 5);
  auto* decimal = win.Add(new DecimalEdit);
  decimal->clear();
  QTest::keyClicks(decimal, "1.5");
  EXPECT_EQ(decimal->text(), "1.5");
}

TEST_F(IntegerEditTest, ValidateClassifiesTheText) {
  using C = TIntegerEdit::TCheckCode;
  const std::vector<std::tuple<int, int, bool, std::string, int>> rows = {
      // Any decimal real passes a field without limits.
      {0, 0, true, "  -17", C::icOk},
      {0, 0, true, "12.5", C::icOk},
      {0, 0, true, "-2.5E-3", C::icOk},
      {0, 0, true, "99999999999", C::icOk},
      {0, 0, true, "", C::icNoNumber},
      {0, 0, true, "-", C::icNoNumber},
      {0, 0, true, "1-2", C::icNoNumber},
      {0, 0, true, "5 ", C::icNoNumber},
      {0, 0, true, "1e", C::icNoNumber},
      {0, 0, true, "$10", C::icNoNumber},
      {0, 0, true, "1,5", C::icNoNumber},
      {0, 0, true, "1e99999", C::icNoNumber},
      // Inclusive limits; swapped limits let the lower test win.
      {1, 65535, true, "0", C::icTooSmall},
      {1, 65535, true, "65535", C::icOk},
      {1, 65535, true, "65535.5", C::icTooBig},
      {3, 3, true, "3", C::icOk},
      {10, 5, true, "7", C::icTooSmall},
      {10, 5, true, "3", C::icTooSmall},
      {10, 5, true, "20", C::icTooBig},
      // Zero forbidden, in every spelling; the range speaks first.
      {0, 0, false, "+0", C::icZeroNotAllowed},
      {0, 0, false, "-0.0", C::icZeroNotAllowed},
      {0, 0, false, "0.01", C::icOk},
      {1, 5, false, "0", C::icTooSmall},
  };
  for (const auto& [min, max, zero, text, code] : rows) {
    Limit(min, max, zero);
    field->setText(QString::fromStdString(text));
    EXPECT_EQ(field->Validate(), code) << '"' << text << "\" in " << min << ".." << max;
  }
}

TEST_F(IntegerEditTest, ValueReadsWholeNumbersWithinTheLimitsAndOtherwiseTheLastOne) {
  const std::vector<std::tuple<int, int, std::string, int>> rows = {
      {0, 0, "  -17", -17},     {0, 0, "$1F", 31},
      {0, 0, "0x1F", 31},       {0, 0, "-2147483648", INT_MIN},
      {0, 0, "2147483648", 42}, {0, 0, "12.5", 42},
      {0, 0, "", 42},           {0, 0, "17 ", 42},
      {1, 100, "100", 100},     {1, 100, "101", 42},
      {1, 100, "0", 42},
  };
  for (const auto& [min, max, text, expected] : rows) {
    Limit(min, max);
    field->SetValue(42);
    field->setText(QString::fromStdString(text));
    EXPECT_EQ(field->GetValue(), expected) << text;
    EXPECT_EQ(field->text().toStdString(), text) << "reading never changes the text";
  }
}

TEST_F(IntegerEditTest, SetValueFormatsWithoutCheckingTheLimits) {
  const std::vector<std::tuple<std::string, bool, int, QString>> rows = {
      {"%3d", true, 5, "5"},    {"%3d", false, 5, "  5"},     {"%3d", true, -12345, "-12345"},
      {"%.3d", true, 7, "007"}, {"Nr. %d", true, 7, "Nr. 7"}, {"%d %%", true, 50, "50 %"},
      {"%x", true, 255, "FF"},
  };
  Limit(1, 10);
  for (const auto& [format, noBlanks, value, shown] : rows) {
    field->SetFormat(format);
    field->SetNoBlanks(noBlanks);
    field->SetValue(value);
    EXPECT_EQ(field->text(), shown) << format;
  }
  EXPECT_TRUE(recorder.boxes.empty());
  // A pattern that could not format exactly one number is refused.
  for (const std::string pattern : {"", "%s", "%d %d", "%n", "%f", "%999d"})
    EXPECT_THROW(field->SetFormat(pattern), EConvertError) << pattern;
}

TEST_F(IntegerEditTest, EachRefusalIsReportedWithItsMessageOnceTheFocusHasComeBack) {
  const std::vector<std::tuple<int, int, bool, QString, std::string>> rows = {
      {1, 65535, true, "1-2", "Falsches Zahlenformat"},
      {1, 65535, true, "65536", "Zahlenwert zu groß"},
      {1, 65535, true, "0", "Zahlenwert zu klein"},
      {10, 5, true, "7", "Zahlenwert zu klein"},
      {0, 0, false, "-0", "Zahlenwert 0 nicht erlaubt"},
  };
  for (const auto& [min, max, zero, typed, message] : rows) {
    Limit(min, max, zero);
    field->SetValue(3);
    recorder.boxes.clear();
    QWidget* focusWhenShown = nullptr;
    auto recorderHandler = SetMessageBoxHandler(
        [&](const std::string& text, const std::string& caption, unsigned flags) {
          focusWhenShown = QApplication::focusWidget();
          recorder.boxes.push_back({text, caption, flags});
          return IDOK;
        });
    TypeAndLeave(field, typed);
    EXPECT_TRUE(recorder.boxes.empty()) << "the report waits for the event loop";
    EXPECT_EQ(field->text(), "3");
    Settle();
    SetMessageBoxHandler(std::move(recorderHandler));
    ASSERT_EQ(recorder.boxes.size(), 1u) << typed.toStdString();
    EXPECT_EQ(recorder.boxes[0].text, message);
    EXPECT_EQ(recorder.boxes[0].caption, "Fehler");
    EXPECT_EQ(recorder.boxes[0].flags, kBoxFlags);
    EXPECT_EQ(focusWhenShown, field);
  }
}

TEST_F(IntegerEditTest, ARefusedEntryStopsOneActionUntilTheUserTypesAgain) {
  Limit(1, 65535);
  field->SetValue(102);
  struct Step {
    const char* what;
    std::function<void()> act;
    bool accepted;
    std::vector<std::string> shown;  // message boxes by the end of the step
  };
  const std::vector<Step> steps = {
      {"an untouched field has nothing to refuse", [] {}, true, {}},
      {"a program's text is no entry", [this] { field->setText("junk"); }, true, {}},
      {"the entry being edited is checked",
       [this] {
         field->setFocus();
         field->setText("70000");
       },
       false,
       {"Zahlenwert zu groß"}},
      {"left with a refused entry",
       [this] { TypeAndLeave(field, "0"); },
       false,
       {"Zahlenwert zu klein", "Zahlenwert zu klein"}},
      {"each refusal stops one action", [] {}, true, {}},
      {"left refused, then typed again",
       [this] {
         TypeAndLeave(field, "1-2");
         Settle();
         QTest::keyClick(field, Qt::Key_5);
       },
       true,
       {"Falsches Zahlenformat"}},
  };
  for (const Step& step : steps) {
    recorder.boxes.clear();
    step.act();
    Settle();  // a report still to come is not shown twice
    EXPECT_EQ(field->EntryAccepted(), step.accepted) << step.what;
    Settle();
    std::vector<std::string> shown;
    for (const auto& box : recorder.boxes) shown.push_back(box.text);
    EXPECT_EQ(shown, step.shown) << step.what;
    if (!step.accepted) EXPECT_EQ(QApplication::focusWidget(), field) << step.what;
    win.elsewhere->setFocus();
  }
}

TEST_F(IntegerEditTest, AnAttachedSpinnerRefusesWhatItsPositionCannotHold) {
  Limit(0, 100000);
  auto* spinner = win.Add(new TUpDown);
  spinner->SetAssociate(field);
  const std::vector<std::pair<QString, int>> rows = {{"32767", TIntegerEdit::icOk},
                                                     {"32768", TIntegerEdit::icTooBig},
                                                     {"100000", TIntegerEdit::icTooBig}};
  for (const auto& [text, code] : rows) {
    field->setText(text);
    EXPECT_EQ(field->Validate(), code) << text.toStdString();
  }
  EXPECT_EQ(field->MaxValue(), 100000) << "the range shown stays the designed one";
  spinner->SetAssociate(nullptr);
  field->setText("50000");
  EXPECT_EQ(field->Validate(), TIntegerEdit::icOk);
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
  Limit(1, 5);
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
  Limit(1, 5);
  field->setFocus();
  field->setText("9");
  QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(field, &deactivated);
  Settle();
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ(field->text(), "9");
}

TEST_F(IntegerEditTest, TheRightButtonShowsTheRange) {
  const std::vector<std::tuple<int, int, bool, std::string>> rows = {
      {0, 100000, true, "Zulässiger Wertebereich:\n\rvon: 0\n\rbis: 100000"},
      {0, 0, false, "Zulässiger Wertebereich:\n\rkeine Einschränkungen\r\n(Wert 0 nicht erlaubt)"},
      {0, 0, true, "Zulässiger Wertebereich:\n\rkeine Einschränkungen"},
      {-5, 9, false, "Zulässiger Wertebereich:\n\rvon: -5\n\rbis: 9\r\n(Wert 0 nicht erlaubt)"},
  };
  for (const auto& [min, max, zero, text] : rows) {
    recorder.boxes.clear();
    Limit(min, max, zero);
    QTest::mouseClick(field, Qt::RightButton);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text, text);
    EXPECT_EQ(recorder.boxes[0].caption, "Zulässiger Wertebereich");
    EXPECT_EQ(recorder.boxes[0].flags, kBoxFlags);
  }
  // Not for other buttons, a negative tag, or when another handler was set.
  recorder.boxes.clear();
  QTest::mouseClick(field, Qt::LeftButton);
  field->SetTag(-1);
  QTest::mouseClick(field, Qt::RightButton);
  field->SetTag(0);
  std::vector<Qt::MouseButton> pressed;
  field->SetOnMouseDown([&pressed](Qt::MouseButton button) { pressed.push_back(button); });
  QTest::mouseClick(field, Qt::RightButton);
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_THAT(pressed, ElementsAre(Qt::RightButton));
}

TEST_F(IntegerEditTest, NoTextCrashesTheFieldAndValueIsAlwaysANumber) {
  Limit(-100, 100);
  field->SetValue(1);
  std::vector<QString> texts = {QString(5000, '9'),
                                "1e" + QString(400, '9'),
                                "-." + QString(300, '0') + "1",
                                QString(QChar(0)),
                                "+-1",
                                "nan",
                                "inf",
                                "-1e-99999"};
  const QString alphabet = QStringLiteral("0123456789+-.eE$xX ,\t\u00e4");
  for (int i = 0; i < 300; ++i) {
    QString text;
    for (int k = QRandomGenerator::global()->bounded(12); k > 0; --k)
      text += alphabet[QRandomGenerator::global()->bounded(alphabet.size())];
    texts.push_back(text);
  }
  for (const auto& text : texts) {
    field->setFocus();
    field->setText(text);
    const int code = field->Validate();
    const int value = field->GetValue();
    EXPECT_TRUE(code >= 0 && code <= 4 && value >= -100 && value <= 100) << text.toStdString();
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
      {"3", 3},          {"  1", 1},      {"25000", 25000}, {"-32768", -32768},
      {"32768", -32768}, {"abc", -32768}, {"1.5", -32768},  {"$10", -32768},
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

TEST_F(UpDownTest, TextWrittenByTheSpinnerIsCheckedOnLeaving) {
  Limit(0, 2);
  spinner->SetPosition(2);
  field->setFocus();
  QTest::mouseClick(spinner->findChild<QToolButton*>("UpButton"), Qt::LeftButton);
  EXPECT_EQ(field->text(), "3");
  EXPECT_EQ(QApplication::focusWidget(), field) << "the arrows leave the focus where it is";
  QTest::keyClick(field, Qt::Key_Tab);
  Settle();
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text, "Zahlenwert zu groß");
  EXPECT_EQ(field->text(), "2") << "the set position is the value to fall back on";
}

}  // namespace
