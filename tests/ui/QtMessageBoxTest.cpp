// The real message box behind ShowMessageBox: caption, text, icon and
// buttons from the style flags, and the answer from the button pressed.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "support/MessageBox.h"
#include "ui/QtMessageBox.h"

namespace {

// Waits for the box ShowMessageBox opens, lets check look at it and then
// answer it.
void WhenTheBoxIsShown(std::function<void(QMessageBox&)> check) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, poll, [poll, check] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (!box || !box->isVisible()) continue;
      poll->stop();
      poll->deleteLater();
      check(*box);
      return;
    }
  });
  poll->start(5);
}

class QtMessageBoxTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtMessageBoxes(); }
  static void TearDownTestSuite() { SetMessageBoxHandler(nullptr); }
};

TEST_F(QtMessageBoxTest, FlagsChooseIconAndButtonsAndThePressedButtonIsTheAnswer) {
  using B = QMessageBox::StandardButton;
  struct TCase {
    unsigned Flags;
    QMessageBox::Icon Icon;
    std::vector<B> Buttons;
    B Press;
    int Answer;
  };
  const std::vector<TCase> cases = {
      {MB_OK | MB_ICONERROR | MB_TASKMODAL, QMessageBox::Critical, {B::Ok}, B::Ok, IDOK},
      {MB_OKCANCEL | MB_ICONWARNING, QMessageBox::Warning, {B::Ok, B::Cancel}, B::Cancel, IDCANCEL},
      {MB_YESNO | MB_ICONQUESTION, QMessageBox::Question, {B::Yes, B::No}, B::No, IDNO},
      {MB_YESNO | MB_ICONINFORMATION, QMessageBox::Information, {B::Yes, B::No}, B::Yes, IDYES},
      {0x3, QMessageBox::NoIcon, {B::Yes, B::No, B::Cancel}, B::Cancel, IDCANCEL},
      {0x2, QMessageBox::NoIcon, {B::Abort, B::Retry, B::Ignore}, B::Retry, 4},
  };
  for (const auto& c : cases) {
    bool seen = false;
    WhenTheBoxIsShown([&](QMessageBox& box) {
      seen = true;
      EXPECT_EQ(box.windowTitle(), QString::fromUtf8("Zulässiger Wertebereich"));
      EXPECT_EQ(box.text(), QString::fromUtf8("Zahlenwert zu groß\nvon: 0"));
      EXPECT_EQ(box.icon(), c.Icon) << c.Flags;
      std::vector<B> buttons;
      for (auto* button : box.buttons()) buttons.push_back(box.standardButton(button));
      std::sort(buttons.begin(), buttons.end());
      auto expected = c.Buttons;
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(buttons, expected) << c.Flags;
      box.button(c.Press)->click();
    });
    EXPECT_EQ(ShowMessageBox("Zahlenwert zu groß\r\nvon: 0", "Zulässiger Wertebereich", c.Flags),
              c.Answer)
        << c.Flags;
    EXPECT_TRUE(seen) << c.Flags;
  }
}

TEST_F(QtMessageBoxTest, EscapeAnswersWithTheLastButton) {
  struct TCase {
    unsigned Flags;
    int Answer;
  };
  const std::vector<TCase> cases = {{MB_OK, IDOK}, {MB_OKCANCEL, IDCANCEL}, {MB_YESNO, IDNO}};
  for (const auto& c : cases) {
    WhenTheBoxIsShown([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(ShowMessageBox("Text", "Titel", c.Flags), c.Answer) << c.Flags;
  }
}

TEST_F(QtMessageBoxTest, TheSecondButtonCanBeTheDefault) {
  constexpr unsigned kDefaultButton2 = 0x100;
  WhenTheBoxIsShown([](QMessageBox& box) {
    EXPECT_EQ(static_cast<QAbstractButton*>(box.defaultButton()), box.button(QMessageBox::No));
    QTest::keyClick(&box, Qt::Key_Return);
  });
  EXPECT_EQ(ShowMessageBox("Text", "Titel", MB_YESNO | kDefaultButton2), IDNO);
}

}  // namespace

TEST_F(QtMessageBoxTest, EachLineBreakPairShowsAsOneBreak) {
  const std::vector<std::pair<std::string, QString>> cases = {
      {"a\r\nb", "a\nb"},       {"a\n\rb", "a\nb"},   {"a\rb", "a\nb"},
      {"a\n\r\n\rb", "a\n\nb"}, {"a\r\n\rb", "a\nb"}, {"a\nb", "a\nb"}};
  for (const auto& [text, shown] : cases) {
    QString seen;
    WhenTheBoxIsShown([&](QMessageBox& box) {
      seen = box.text();
      box.button(QMessageBox::Ok)->click();
    });
    ShowMessageBox(text, "Fehler", MB_OK);
    EXPECT_EQ(seen, shown) << text;
  }
}
