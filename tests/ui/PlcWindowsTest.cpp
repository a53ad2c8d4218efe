// The windows of the dialog's tests against real peers: "Find PLCs…" finds
// the emulator and hands it to the frame, Stop ends a search, "Diagnose"
// finds the one pair a PLC accepts, "Check channels" names a missing data
// block. Nothing is written before OK: each run ends with Cancel.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include "plc/ResultTexts.h"
#include "tests/ui/DialogTestSupport.h"
#include "tests/plc/nodave/RealIo.h"
#include "tests/plc/nodave/ScriptedPlcs.h"
#include "ui/IntegerEdit.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// Long enough for a rack/slot search against a loopback peer; the tests
// wait for what happens, they do not time it.
constexpr int kWaitMs = 30000;

TConfigInfo TcpSettings(const std::string& address, int port, int rack, int slot) {
  TConfigInfo settings;
  settings.Connectiontype = 4;
  settings.IPAddress = address;
  settings.IPPort = port;
  settings.Rack = rack;
  settings.Slot = slot;
  return settings;
}

std::vector<std::string> Column(const QTreeWidget* list, int column) {
  std::vector<std::string> texts;
  for (int row = 0; row < list->topLevelItemCount(); ++row)
    texts.push_back(list->topLevelItem(row)->text(column).toStdString());
  return texts;
}

}  // namespace

class PlcWindowsTest : public DialogFileTest {
 protected:
  // The settings the dialog shows now.
  static TConfigInfo Shown(TConfigDlg& dlg) {
    TConfigInfo shown;
    dlg.CollectSettings(shown);
    return shown;
  }
  // Runs act in the card's dialog, then cancels it: the file stays as it was.
  void InDialogThenCancel(const std::function<void(TConfigDlg&)>& act) {
    const std::string before = FileBytes();
    MakeCard();
    RunCardDialog([&](TConfigDlg& dlg) {
      act(dlg);
      Child<QPushButton>(&dlg, "CancelBtn")->click();
    });
    EXPECT_EQ(FileBytes(), before);
  }
};

TEST_F(PlcWindowsTest, FindPlcsFindsTheEmulatorAndADoubleClickUsesIt) {
  nodave::testing::EmulatorProcess emulator;
  WriteConfig(TcpSettings("10.1.2.3", 102, 0, 5), {});
  InDialogThenCancel([&](TConfigDlg& dlg) {
    Child<QPushButton>(&dlg, "FindPlcsBtn")->click();
    auto* window = Child<QWidget>(&dlg, "FindPlcsWindow");
    ASSERT_TRUE(window && window->isVisible());
    auto* addresses = Child<QLineEdit>(window, "AddressesEdit");
    auto* port = Child<TIntegerEdit>(window, "PortEdit");
    EXPECT_EQ(addresses->text(), "10.1.2.0/24");
    EXPECT_EQ(port->GetValue(), 102);

    // A range --scan refuses gets its message; nothing is searched.
    addresses->setText("10.0.0.0/8");
    Child<QPushButton>(window, "SearchBtn")->click();
    EXPECT_EQ(Child<QLabel>(window, "ScanStatus")->text().toStdString(),
              RangeRefusalText("10.0.0.0/8", TRangeRefusal::TooLarge));

    addresses->setText("127.0.0.1");
    port->SetValue(emulator.port());
    Child<QPushButton>(window, "SearchBtn")->click();
    QTRY_VERIFY_WITH_TIMEOUT(Child<QPushButton>(window, "SearchBtn")->isEnabled(), kWaitMs);
    auto* table = Child<QTableWidget>(window, "FoundTable");
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 0)->text(), "127.0.0.1");
    EXPECT_EQ(table->item(0, 1)->text(), "0");
    EXPECT_EQ(table->item(0, 2)->text(), "5");
    EXPECT_THAT(table->item(0, 3)->text().toStdString(), HasSubstr("6ES7"));
    EXPECT_EQ(Child<QLabel>(window, "ScanStatus")->text().toStdString(), ScanSummary(1, 1));

    const QRect cell = table->visualItemRect(table->item(0, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_FALSE(window->isVisible());
    const TConfigInfo shown = Shown(dlg);
    EXPECT_EQ(shown.IPAddress, "127.0.0.1");
    EXPECT_EQ(shown.IPPort, emulator.port());
    EXPECT_EQ(shown.Rack, 0);
    EXPECT_EQ(shown.Slot, 5);
  });
}

TEST_F(PlcWindowsTest, StopEndsASearchBeforeItsEnd) {
  WriteConfig(TcpSettings("127.0.0.1", nodave::testing::UnusedLoopbackPort(), 0, 2), {});
  TConfigDlg& dlg = MakeDialog();
  Child<QPushButton>(&dlg, "FindPlcsBtn")->click();
  auto* window = Child<QWidget>(&dlg, "FindPlcsWindow");
  Child<QLineEdit>(window, "AddressesEdit")->setText("127.0.0.0/16");
  auto* search = Child<QPushButton>(window, "SearchBtn");
  search->click();
  EXPECT_FALSE(search->isEnabled());
  Child<QPushButton>(window, "StopBtn")->click();
  QTRY_VERIFY_WITH_TIMEOUT(search->isEnabled(), kWaitMs);
  auto* progress = Child<QProgressBar>(window, "ScanProgress");
  EXPECT_LT(progress->value(), progress->maximum());
  EXPECT_THAT(Child<QLabel>(window, "ScanStatus")->text().toStdString(),
              HasSubstr("The search was stopped."));
  EXPECT_EQ(Child<QLabel>(window, "ScanStatus")->textFormat(), Qt::PlainText);
  EXPECT_EQ(Child<QTableWidget>(window, "FoundTable")->rowCount(), 0);
}

TEST_F(PlcWindowsTest, DiagnosisListsTheStepsAndUsesThePairThePlcAccepts) {
  // The file's slot 3 is refused; the search tries slots 0, 1 and 2 of rack 0.
  nodave::testing::ScriptedServer server(nodave::testing::AcceptsOnlyRack0Slot2, 1 + 3);
  WriteConfig(TcpSettings("127.0.0.1", server.port(), 0, 3), {});
  InDialogThenCancel([&](TConfigDlg& dlg) {
    Child<QPushButton>(&dlg, "DiagnoseBtn")->click();
    auto* window = Child<QWidget>(&dlg, "DiagnosisWindow");
    ASSERT_TRUE(window && window->isVisible());
    auto* use = Child<QPushButton>(window, "UsePairBtn");
    QTRY_VERIFY_WITH_TIMEOUT(use->isVisibleTo(window), kWaitMs);
    auto* steps = Child<QTreeWidget>(window, "StepList");
    EXPECT_THAT(Column(steps, 0),
                ElementsAre("name look-up", "TCP connect", "ISO connect", "rack/slot search"));
    EXPECT_THAT(Column(steps, 1), ElementsAre("ok", "ok", "FAILED", "ok"));
    EXPECT_THAT(Child<QLabel>(window, "CauseLabel")->text().toStdString(),
                HasSubstr("rack 0, slot 3"));
    for (const char* label : {"CauseLabel", "AdviceLabel"})  // texts from the file or PLC
      EXPECT_EQ(Child<QLabel>(window, label)->textFormat(), Qt::PlainText) << label;
    EXPECT_EQ(use->text(), "Use rack 0, slot 2");
    use->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Shown(dlg).Rack, 0);
    EXPECT_EQ(Shown(dlg).Slot, 2);
  });
}

TEST_F(PlcWindowsTest, ChannelCheckNamesTheChannelsOfAMissingDataBlock) {
  nodave::testing::EmulatorProcess emulator(0, "127.0.0.1", "DB1=100");
  WriteConfig(TcpSettings("127.0.0.1", emulator.port(), 0, 2),
              {"SPS", "\tDB", "\t\t1", "\t\t\t4", "\t\t7", "\t\t\t0"});
  InDialogThenCancel([&](TConfigDlg& dlg) {
    Child<QPushButton>(&dlg, "CheckChannelsBtn")->click();
    auto* window = Child<QWidget>(&dlg, "ChannelCheckWindow");
    ASSERT_TRUE(window && window->isVisible());
    auto* summary = Child<QLabel>(window, "CheckSummary");
    QTRY_VERIFY_WITH_TIMEOUT(!summary->text().isEmpty(), kWaitMs);
    EXPECT_EQ(summary->text(), "Channels checked: 2, refused: 1");
    EXPECT_EQ(summary->textFormat(), Qt::PlainText);
    auto* refusals = Child<QListWidget>(window, "RefusalList");
    ASSERT_EQ(refusals->count(), 1);
    EXPECT_THAT(refusals->item(0)->text().toStdString(),
                HasSubstr(": SPS;DB;7;0: data block 7 does not exist in the PLC"));
    EXPECT_THAT(refusals->item(0)->text().toStdString(), ::testing::StartsWith(ConfigPath()));
  });
}
