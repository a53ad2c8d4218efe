// The keys in the configuration dialog: none closes it or reaches the
// hidden channel page, Tab walks the designed order, and a refused number
// keeps the focus and stops every action that would use it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <vector>

#include "ConfigTexts.h"
#include "DialogTestSupport.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST_F(ConfigDlgTest, NeitherEscapeNorEnterClosesTheDialog) {
  WriteConfig(DistinctSettings(0), {});
  const std::string before = FileBytes();
  MakeCard();
  RunCardDialog([](TConfigDlg& dlg) {
    auto* ok = Child<QPushButton>(&dlg, "OKBtn");
    auto* edit = Child<QLineEdit>(&dlg, "ErrorMsgEdit");
    for (QWidget* target : std::initializer_list<QWidget*>{&dlg, edit, ok}) {
      for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        target->setFocus();
        QTest::keyClick(target, key);
        EXPECT_TRUE(dlg.isVisible()) << target->objectName().toStdString() << " key " << key;
      }
    }
    Child<QPushButton>(&dlg, "CancelBtn")->click();
  });
  EXPECT_EQ(FileBytes(), before);
}

TEST_F(ConfigDlgTest, TabOrderFollowsTheDesign) {
  WriteConfig(DistinctSettings(0), {});
  TConfigDlg& dlg = MakeDialog();
  std::vector<std::string> order;
  QWidget* widget = Child<QWidget>(&dlg, "OKBtn");
  for (int guard = 0; guard < 200 && order.size() < 12; ++guard) {
    std::string name = widget->objectName().toStdString();
    if (widget == Child<QTabWidget>(&dlg, "PageControl1")->tabBar()) name = "PageControl1";
    const bool wanted = name == "OKBtn" || name == "CancelBtn" || name == "PageControl1" ||
                        name == "ConnectionTypeBox" || name == "Button2" ||
                        name == "ErrorMsgEdit" || name == "ErrorProtokol" || name == "Memo1" ||
                        name == "InfoLesenBtn" || name == "LocalPPI" || name == "Teilnehmerbox" ||
                        name == "LocalMPI";
    if (wanted && (order.empty() || order.back() != name)) order.push_back(name);
    widget = widget->nextInFocusChain();
  }
  // LocalPPI opens the PPI frame, Teilnehmerbox the S7ONLINE frame, LocalMPI
  // the MPI frame.
  EXPECT_THAT(order, ElementsAre("OKBtn", "CancelBtn", "PageControl1", "ConnectionTypeBox",
                                 "Button2", "ErrorMsgEdit", "ErrorProtokol", "Memo1",
                                 "InfoLesenBtn", "LocalPPI", "Teilnehmerbox", "LocalMPI"));
}

namespace {

// Makes the shown dialog the active window, so that the focus moves.
bool Activate(QWidget& dialog) {
  QApplication::setActiveWindow(&dialog);
  return QTest::qWaitForWindowActive(&dialog);
}

// Focuses field and types over its text, staying in the field.
void TypeInto(QLineEdit* field, const QString& typed) {
  field->setFocus(Qt::TabFocusReason);
  field->selectAll();
  QTest::keyClick(field, Qt::Key_Delete);
  QTest::keyClicks(field, typed);
}

// The controls the Tab key stops at, in the window's focus chain.
std::vector<QWidget*> FocusStops(QWidget* window) {
  std::vector<QWidget*> stops;
  QWidget* widget = window;
  do {
    if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(window) &&
        widget->isEnabled() && !widget->focusProxy())
      stops.push_back(widget);
    widget = widget->nextInFocusChain();
  } while (widget && widget != window);
  return stops;
}

}  // namespace

TEST_F(ConfigDlgTest, NoKeyReachesTheHiddenChannelPage) {
  WriteConfig(DistinctSettings(4), {"SPS", "\tDB", "\t\t0"});
  TConfigDlg& dlg = MakeDialog();
  const TFileDialogRunner previous =
      SetFileDialogRunner([](QFileDialog&) { return int(QDialog::Rejected); });
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
  auto* pages = Child<QTabWidget>(&dlg, "PageControl1");
  auto* general = Child<QWidget>(&dlg, "TabSheet1");
  auto* tree = Child<QWidget>(&dlg, "TreeView1");
  const std::vector<QWidget*> stops = FocusStops(&dlg);
  ASSERT_GE(stops.size(), 10u);
  std::vector<QKeyCombination> keys = {
      Qt::ControlModifier | Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Backtab,
      Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Tab, QKeyCombination(Qt::Key_Right),
      QKeyCombination(Qt::Key_Left), QKeyCombination(Qt::Key_End)};
  for (int letter = Qt::Key_A; letter <= Qt::Key_Z; ++letter)
    keys.push_back(Qt::AltModifier | static_cast<Qt::Key>(letter));
  for (QWidget* stop : stops) {
    for (const QKeyCombination key : keys) {
      stop->setFocus(Qt::TabFocusReason);
      QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
      QCoreApplication::processEvents();
      ASSERT_EQ(pages->currentWidget(), general)
          << stop->objectName().toStdString() << " key " << key.toCombined();
      ASSERT_FALSE(tree->isVisible());
    }
  }
  // Walking the focus chain either way never enters the page.
  for (const bool backwards : {false, true}) {
    stops.front()->setFocus(Qt::TabFocusReason);
    for (int step = 0; step < 60; ++step) {
      QTest::keyClick(QApplication::focusWidget(), backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                      backwards ? Qt::ShiftModifier : Qt::NoModifier);
      ASSERT_FALSE(Child<QWidget>(&dlg, "TabSheet3")->isAncestorOf(QApplication::focusWidget()));
    }
  }
  SetFileDialogRunner(previous);
  EXPECT_EQ(pages->currentWidget(), general);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ConfigDlgTest, ARefusedNumberStopsEveryActionThatWouldUseIt) {
  // The visible button of that name (both partner frames have one).
  const auto click = [](const char* name) {
    return [name](TConfigDlg& dlg) {
      for (auto* button : dlg.findChildren<QPushButton*>(QString::fromLatin1(name))) {
        if (button->isVisible()) return QTest::mouseClick(button, Qt::LeftButton);
      }
      ADD_FAILURE() << "no visible " << name;
    };
  };
  struct Case {
    const char* name;
    int type;
    const char* frame;
    const char* field;
    const char* typed;
    const char* refusal;
    std::function<void(TConfigDlg&)> act;
  } cases[] = {
      {"OK", 4, "TCPFrame1", "PortEdit", "70000", "Zahlenwert zu groß", click("OKBtn")},
      {"Readout Info", 4, "TCPFrame1", "PortEdit", "0", "Zahlenwert zu klein",
       click("InfoLesenBtn")},
      {"Reachable participants", 0, "MPIFrame1", "LocalMPI", "40000", "Zahlenwert zu groß",
       click("ReachablePartners")},
      {"Readout Info, address beyond the spinner", 0, "MPIFrame1", "LocalMPI", "32768",
       "Zahlenwert zu groß", click("InfoLesenBtn")},
      {"connection type chosen with the mouse", 4, "TCPFrame1", "SlotEdit", "1-2",
       "Falsches Zahlenformat",
       [](TConfigDlg& dlg) {
         auto* types = Child<QComboBox>(&dlg, "ConnectionTypeBox");
         QTest::mouseClick(types, Qt::LeftButton);
         types->hidePopup();
         types->setCurrentIndex(0);
       }},
      {"connection type turned with the wheel", 4, "TCPFrame1", "PortEdit", "",
       "Falsches Zahlenformat",
       [](TConfigDlg& dlg) {
         auto* types = Child<QComboBox>(&dlg, "ConnectionTypeBox");
         const QPointF at(types->width() / 2.0, types->height() / 2.0);
         QWheelEvent wheel(at, types->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                           Qt::NoModifier, Qt::NoScrollPhase, false);
         QApplication::sendEvent(types, &wheel);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteConfig(DistinctSettings(c.type), {});
    const std::string before = FileBytes();
    MakeCard();
    RunCardDialog([&](TConfigDlg& dlg) {
      ASSERT_TRUE(Activate(dlg));
      auto* frame = Child<QWidget>(&dlg, c.frame);
      auto* field = Child<QLineEdit>(frame, c.field);
      const QString shown = field->text();
      boxes.boxes.clear();
      fake.calls.clear();
      TypeInto(field, QString::fromUtf8(c.typed));
      c.act(dlg);
      QCoreApplication::processEvents();

      EXPECT_TRUE(dlg.isVisible());
      ASSERT_EQ(boxes.boxes.size(), 1u);
      EXPECT_EQ(boxes.boxes[0].text, c.refusal);
      EXPECT_EQ(boxes.boxes[0].caption, "Fehler");
      // The dialog's own focus: after the list's popup the window system
      // may not have made the dialog active again yet.
      EXPECT_EQ(dlg.focusWidget(), field);
      EXPECT_EQ(field->text(), shown);
      EXPECT_FALSE(frame->isHidden());
      EXPECT_EQ(Child<QComboBox>(&dlg, "ConnectionTypeBox")->currentIndex(), c.type);
      EXPECT_TRUE(Child<QPlainTextEdit>(&dlg, "Memo1")->toPlainText().isEmpty());
      EXPECT_TRUE(fake.calls.empty()) << "the card was called: " << fake.calls.front();
      Child<QPushButton>(&dlg, "CancelBtn")->click();
    });
    EXPECT_EQ(FileBytes(), before);
  }
}

TEST_F(ConfigDlgTest, AfterARefusalTheCorrectedEntryIsUsed) {
  WriteConfig(DistinctSettings(4), {});
  MakeCard();
  RunCardDialog([](TConfigDlg& dlg) {
    ASSERT_TRUE(Activate(dlg));
    auto* port = Child<QLineEdit>(Child<QWidget>(&dlg, "TCPFrame1"), "PortEdit");
    TypeInto(port, "70000");
    QTest::mouseClick(Child<QPushButton>(&dlg, "OKBtn"), Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_TRUE(dlg.isVisible());
    TypeInto(port, "4711");
    QTest::mouseClick(Child<QPushButton>(&dlg, "OKBtn"), Qt::LeftButton);
  });
  EXPECT_EQ(card->Config().IPPort, 4711);
  EXPECT_THAT(FileBytes(), HasSubstr("IPPort=4711\r\n"));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Zahlenwert zu groß");
}

TEST_F(ConfigDlgTest, TabLeavesTheReadOnlyMemo) {
  WriteConfig(DistinctSettings(4), {});
  TConfigDlg& dlg = MakeDialog();
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
  auto* memo = Child<QPlainTextEdit>(&dlg, "Memo1");
  memo->setPlainText("Order Code:6ES7 315-2EH14-0AB0");
  memo->setFocus(Qt::TabFocusReason);
  ASSERT_EQ(QApplication::focusWidget(), memo);
  QTest::keyClicks(memo, "typed");
  QTest::keyClick(memo, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Child<QWidget>(&dlg, "InfoLesenBtn"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), memo);
  QTest::keyClick(memo, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), Child<QWidget>(&dlg, "ErrorProtokol"));
  EXPECT_EQ(memo->toPlainText(), "Order Code:6ES7 315-2EH14-0AB0");
}
