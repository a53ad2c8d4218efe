// The configuration dialog over a real card: the form, the frame per
// connection type, what OK hands to the card and what Cancel leaves alone,
// the order-code test, the file dialog, the keys that must not close it and
// the card's walk over its controls.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <fstream>
#include <set>
#include <vector>

#include "tests/ui/DialogTestSupport.h"
#include "tests/support/testsupport/CatalogueIds.h"
#include "tests/support/testsupport/ConfigTexts.h"
#include "ui/HW_FrameMPI.h"
#include "ui/HW_FramePPI.h"
#include "ui/HW_FrameS7Online.h"
#include "ui/HW_FrameTCP.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char* const kFrames[] = {"MPIFrame1", "PPIFrame1", "TCPFrame1", "S7OnlineFrame1"};

TStrings SettingsLines(const TConfigInfo& settings) {
  TStrings lines;
  settings.SaveToList(lines);
  return lines;
}

std::vector<std::string> ShownFrames(const TConfigDlg& dlg) {
  std::vector<std::string> shown;
  for (const char* name : kFrames)
    if (!Child<QWidget>(&dlg, name)->isHidden()) shown.push_back(name);
  return shown;
}

const TStrings kFreshChannelLines = {"SPS", "\tE", "\tA", "\tM", "\tT", "\tZ", "\tDB"};

// Names of the controls the card's callback was given, in call order.
std::vector<std::string> walkedControls;
void RecordControl(QWidget* control) {
  walkedControls.push_back(control->objectName().toStdString());
}

}  // namespace

class ConfigDlgTest : public DialogTest {};

TEST_F(ConfigDlgTest, FormHasTheDesignedControlsAndCaptions) {
  WriteConfig(DistinctSettings(0), {});
  TConfigDlg& dlg = MakeDialog();

  EXPECT_EQ(dlg.windowTitle(), "Configuration of the PLC driver");
  struct Caption {
    const char* name;
    QString text;
  };
  for (const auto& [name, text] : std::vector<Caption>{{"OKBtn", "OK"},
                                                       {"CancelBtn", "Cancel"},
                                                       {"Button2", "&search"},
                                                       {"InfoLesenBtn", "Readout Info "}}) {
    auto* button = Child<QPushButton>(&dlg, name);
    ASSERT_NE(button, nullptr) << name;
    EXPECT_EQ(button->text(), text) << name;
    EXPECT_FALSE(button->autoDefault()) << name;
  }
  EXPECT_EQ(Child<QLabel>(&dlg, "Label5")->text(), "Connection to PLC:");
  EXPECT_TRUE(Child<QLabel>(&dlg, "Label5")->alignment() & Qt::AlignRight);
  EXPECT_EQ(Child<QGroupBox>(&dlg, "GroupBox4")->title(), "Simulation protocol");
  EXPECT_EQ(Child<QCheckBox>(&dlg, "ErrorProtokol")->text(), "log errors in:");
  EXPECT_FALSE(Child<QComboBox>(&dlg, "ConnectionTypeBox")->isEditable());
  for (const char* name : {"ErrorMsgEdit", "Memo1", "TabSheet1", "TabSheet3", "TreeView1", "Label3",
                           "Label4", "Label9", "PopupMenu1"})
    EXPECT_NE(Child<QWidget>(&dlg, name), nullptr) << name;
  for (const char* name : kFrames) EXPECT_NE(Child<QWidget>(&dlg, name), nullptr) << name;
  EXPECT_NE(Child<QAction>(&dlg, "NeuerEintrag1"), nullptr);
  EXPECT_NE(Child<QAction>(&dlg, "Eintraglschen1"), nullptr);

  auto* pages = Child<QTabWidget>(&dlg, "PageControl1");
  auto* channelPage = Child<QWidget>(&dlg, "TabSheet3");
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(pages->currentWidget(), Child<QWidget>(&dlg, "TabSheet1"));
  EXPECT_EQ(pages->tabText(0), "General properties");
  EXPECT_EQ(pages->tabText(pages->indexOf(channelPage)), "Channels of the PLC");
  EXPECT_FALSE(pages->isTabVisible(pages->indexOf(channelPage)));

  auto* types = Child<QComboBox>(&dlg, "ConnectionTypeBox");
  ASSERT_EQ(types->count(), 6);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(types->itemText(i).toStdString(), ConnectionTypes[i].Label) << i;
  EXPECT_EQ(Child<QLineEdit>(&dlg, "ErrorMsgEdit")->text(), "/var/log/s7 errors.txt");
  EXPECT_TRUE(Child<QPlainTextEdit>(&dlg, "Memo1")->toPlainText().isEmpty());

  // The buttons stand to the right of the page control.
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  EXPECT_GT(Child<QWidget>(&dlg, "OKBtn")->x(), pages->geometry().right());
  EXPECT_GE(dlg.width(), 513);
  EXPECT_GE(dlg.height(), 429);
}

TEST_F(ConfigDlgTest, ShowsTheFrameOfTheConnectionType) {
  struct Case {
    int stored;
    int selected;
    const char* frame;
    bool readoutEnabled;
  };
  const Case cases[] = {{0, 0, "MPIFrame1", true},  {1, 1, "MPIFrame1", true},
                        {2, 2, "MPIFrame1", true},  {3, 3, "PPIFrame1", false},
                        {4, 4, "TCPFrame1", true},  {5, 5, "S7OnlineFrame1", true},
                        {9, -1, "MPIFrame1", true}, {-3, -1, "MPIFrame1", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    WriteConfig(DistinctSettings(c.stored), {});
    MakeCard();
    TConfigDlg& dlg = MakeDialog();
    EXPECT_EQ(Child<QComboBox>(&dlg, "ConnectionTypeBox")->currentIndex(), c.selected);
    EXPECT_THAT(ShownFrames(dlg), ElementsAre(c.frame));
    EXPECT_EQ(Child<QWidget>(&dlg, "InfoLesenBtn")->isEnabled(), c.readoutEnabled);
    EXPECT_EQ(Child<QWidget>(&dlg, "Memo1")->isEnabled(), c.readoutEnabled);
    TConfigInfo collected;
    dlg.CollectSettings(collected);
    EXPECT_EQ(collected.Connectiontype, c.selected);
  }
}

TEST_F(ConfigDlgTest, SwitchingTypesSwitchesFrameAndReadout) {
  WriteConfig(DistinctSettings(3), {});
  TConfigDlg& dlg = MakeDialog();
  auto* types = Child<QComboBox>(&dlg, "ConnectionTypeBox");
  EXPECT_FALSE(Child<QWidget>(&dlg, "InfoLesenBtn")->isEnabled());
  EXPECT_FALSE(Child<QWidget>(&dlg, "Memo1")->isEnabled());

  types->setCurrentIndex(4);
  EXPECT_THAT(ShownFrames(dlg), ElementsAre("TCPFrame1"));
  EXPECT_TRUE(Child<QWidget>(&dlg, "InfoLesenBtn")->isEnabled());
  EXPECT_TRUE(Child<QWidget>(&dlg, "Memo1")->isEnabled());

  types->setCurrentIndex(5);
  EXPECT_THAT(ShownFrames(dlg), ElementsAre("S7OnlineFrame1"));
  types->setCurrentIndex(3);
  EXPECT_THAT(ShownFrames(dlg), ElementsAre("PPIFrame1"));
  EXPECT_FALSE(Child<QWidget>(&dlg, "InfoLesenBtn")->isEnabled());
}

TEST_F(ConfigDlgTest, HiddenFramesKeepWhatWasTyped) {
  WriteConfig(DistinctSettings(0), {});
  TConfigDlg& dlg = MakeDialog();
  auto* types = Child<QComboBox>(&dlg, "ConnectionTypeBox");
  auto* mpi = Child<QWidget>(&dlg, "MPIFrame1");
  auto* tcp = Child<QWidget>(&dlg, "TCPFrame1");
  Child<QComboBox>(mpi, "ComPortBox")->setCurrentIndex(0);  // COM1
  Child<QComboBox>(mpi, "SpeedBox")->setCurrentIndex(1);

  types->setCurrentIndex(4);
  Child<QLineEdit>(tcp, "IPAddressEdit")->setText("10.7.7.7");
  types->setCurrentIndex(0);

  EXPECT_EQ(Child<QComboBox>(mpi, "ComPortBox")->currentIndex(), 0);
  EXPECT_EQ(Child<QComboBox>(mpi, "SpeedBox")->currentIndex(), 1);
  TConfigInfo collected = DistinctSettings(0);
  dlg.CollectSettings(collected);
  EXPECT_EQ(collected.Comport, 1);
  EXPECT_EQ(collected.ProfibusSpeedIndex, 1);
  EXPECT_EQ(collected.IPAddress, "10.0.0.5") << "the hidden TCP frame wrote its field";

  types->setCurrentIndex(4);
  EXPECT_EQ(Child<QLineEdit>(tcp, "IPAddressEdit")->text(), "10.7.7.7");
}

TEST_F(ConfigDlgTest, OkWithTcpStoresTcpValuesAndKeepsHiddenFields) {
  WriteConfig(DistinctSettings(0), {"SPS", "\tE", "\t\t5"});
  MakeCard();
  RunCardDialog([](TConfigDlg& dlg) {
    auto* mpi = Child<QWidget>(&dlg, "MPIFrame1");
    auto* tcp = Child<QWidget>(&dlg, "TCPFrame1");
    auto* ppi = Child<QWidget>(&dlg, "PPIFrame1");
    Child<QComboBox>(mpi, "ComPortBox")->setCurrentIndex(0);  // changed, then hidden
    Child<QLineEdit>(ppi, "LocalPPI")->setText("77");         // never shown
    Child<QComboBox>(&dlg, "ConnectionTypeBox")->setCurrentIndex(4);
    Child<QLineEdit>(tcp, "IPAddressEdit")->setText("10.1.2.3");
    Child<QLineEdit>(tcp, "PortEdit")->setText("1234");
    Child<QLineEdit>(tcp, "SlotEdit")->setText("5");
    Child<QPushButton>(&dlg, "OKBtn")->click();
  });

  TConfigInfo expected = DistinctSettings(0);
  expected.Connectiontype = 4;
  expected.IPAddress = "10.1.2.3";
  expected.IPPort = 1234;
  expected.Slot = 5;
  EXPECT_EQ(SettingsLines(card->Config()), SettingsLines(expected));
  EXPECT_EQ(card->ChannelLines(), (TStrings{"SPS", "\tE", "\t\t5"}));
  EXPECT_THAT(FileBytes(), HasSubstr("IPAddress=10.1.2.3\r\n"));
  EXPECT_THAT(FileBytes(), HasSubstr("Comport=3\r\n"));
  EXPECT_NE(card->Channels().FindChannel("SPS;E;5"), nullptr);
}

TEST_F(ConfigDlgTest, LogSwitchAndFileNameAreTakenAsShown) {
  TConfigInfo settings = DistinctSettings(0);
  settings.WriteProtocol = 0;
  WriteConfig(settings, {});
  TConfigDlg& dlg = MakeDialog();
  auto* logSwitch = Child<QCheckBox>(&dlg, "ErrorProtokol");
  auto* fileName = Child<QLineEdit>(&dlg, "ErrorMsgEdit");
  EXPECT_FALSE(logSwitch->isChecked());

  TConfigInfo collected = DistinctSettings(0);
  fileName->setText("  other log.TXT ");
  dlg.CollectSettings(collected);
  EXPECT_EQ(collected.WriteProtocol, 0);
  EXPECT_EQ(collected.ProtokollFileName, "  other log.TXT ");

  logSwitch->setChecked(true);
  fileName->setText("");
  dlg.CollectSettings(collected);
  EXPECT_EQ(collected.WriteProtocol, 1);
  EXPECT_EQ(collected.ProtokollFileName, "");
}

// Types text as the keyboard does (QTest's key clicks know only ASCII).
void TypeText(QWidget* widget, const QString& text) {
  for (const QChar c : text)
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

TEST_F(ConfigDlgTest, FileBytesComeBackUnchangedAndAreShownInTheFilesEncoding) {
  for (const EncodingCase& c : EncodingCases()) {
    SCOPED_TRACE(c.Why);
    WriteBytes(ConfigPath(), c.Bytes);
    MakeCard();
    RunCardDialog([](TConfigDlg& dlg) {
      EXPECT_EQ(Child<QLineEdit>(&dlg, "ErrorMsgEdit")->text(), QString("C:\\Prüfung\\log.TXT"));
      EXPECT_EQ(Child<QLineEdit>(&dlg, "IPAddressEdit")->text(), QString("plc-ü"));
      auto* tree = Child<TChannelTreeView>(&dlg, "TreeView1");
      const QModelIndex node = ChildOf(ChildOf(TopNode(tree), 0), 1);
      EXPECT_EQ(node.data().toString(), QString("5 €"));
      Child<QPushButton>(&dlg, "OKBtn")->click();
    });
    EXPECT_EQ(FileBytes(), WithoutBom(c.Bytes)) << "unchanged, without the byte-order mark";
  }
}

TEST_F(ConfigDlgTest, EditedTextIsWrittenInTheFilesEncodingOrRefused) {
  for (const EncodingCase& c : EncodingCases()) {
    SCOPED_TRACE(c.Why);
    WriteBytes(ConfigPath(), c.Bytes);
    MakeCard();
    boxes.boxes.clear();
    RunCardDialog([&](TConfigDlg& dlg) {
      auto* logFile = Child<QLineEdit>(&dlg, "ErrorMsgEdit");
      logFile->setFocus();
      logFile->end(false);
      TypeText(logFile, "ä");
      // Greek omega: no character of Windows-1252.
      TypeText(logFile, "Ω");
      EXPECT_EQ(logFile->text(), c.Windows1252 ? QString("C:\\Prüfung\\log.TXTä")
                                               : QString("C:\\Prüfung\\log.TXTäΩ"));
      Child<QPushButton>(&dlg, "OKBtn")->click();
    });
    const std::string aUmlaut = c.Windows1252 ? "\xE4" : "\xC3\xA4";
    const std::string omega = c.Windows1252 ? "" : "\xCE\xA9";
    EXPECT_THAT(FileBytes(), HasSubstr("ProtokollFileName=C:\\Pr" + c.Umlaut + "fung\\log.TXT" +
                                       aUmlaut + omega + "\r\n"));
    EXPECT_THAT(FileBytes(), HasSubstr("IPAddress=plc-" + c.Umlaut + "\r\n"));
    if (c.Windows1252) {
      ASSERT_EQ(boxes.boxes.size(), 1u);
      EXPECT_THAT(boxes.boxes[0].text, HasSubstr("\"Ω\""));
      EXPECT_THAT(boxes.boxes[0].text, HasSubstr("Windows-1252"));
    } else {
      EXPECT_TRUE(boxes.boxes.empty());
    }
  }
}

TEST_F(ConfigDlgTest, CancelAndCloseBoxChangeNothing) {
  for (const bool useCloseBox : {false, true}) {
    SCOPED_TRACE(useCloseBox ? "close box" : "Cancel");
    WriteConfig(DistinctSettings(0), {"SPS", " E", "  5", "\tDB", ""});
    const std::string before = FileBytes();
    MakeCard();
    const TStrings settingsBefore = SettingsLines(card->Config());
    const TStrings channelsBefore = card->ChannelLines();
    RunCardDialog([useCloseBox](TConfigDlg& dlg) {
      Child<QComboBox>(&dlg, "ConnectionTypeBox")->setCurrentIndex(4);
      Child<QLineEdit>(Child<QWidget>(&dlg, "TCPFrame1"), "IPAddressEdit")->setText("1.1.1.1");
      Child<QCheckBox>(&dlg, "ErrorProtokol")->setChecked(false);
      auto* tree = Child<QTreeView>(&dlg, "TreeView1");
      tree->setCurrentIndex(NodeAt(tree, "SPS;E"));
      dlg.ChannelTree()->NeuerEintrag1Click();
      if (useCloseBox) {
        dlg.close();
      } else {
        Child<QPushButton>(&dlg, "CancelBtn")->click();
      }
    });
    EXPECT_EQ(SettingsLines(card->Config()), settingsBefore);
    EXPECT_EQ(card->ChannelLines(), channelsBefore);
    EXPECT_EQ(FileBytes(), before);
  }
}

// Another writer changes Rack after the card read the file; the dialog
// changes Slot and OK asks whether to overwrite.
TEST_F(ConfigDlgTest, OkAsksBeforeOverwritingAFileChangedSinceItWasRead) {
  struct Row {
    const char* why;
    bool changed;
    int answer;
    bool written;
  };
  for (const Row& row :
       {Row{"unchanged: no question", false, IDOK, true}, Row{"changed, kept", true, IDNO, false},
        Row{"changed, overwritten", true, IDYES, true}}) {
    SCOPED_TRACE(row.why);
    WriteConfig(DistinctSettings(4), {"SPS"});
    MakeCard();
    TConfigInfo other = DistinctSettings(4);
    other.Rack = 7;
    if (row.changed) WriteConfig(other, {"SPS"});
    const std::string before = FileBytes();
    boxes.boxes.clear();
    boxes.answer = row.answer;
    RunCardDialog([&row](TConfigDlg& dlg) {
      auto* slot = Child<QLineEdit>(Child<QWidget>(&dlg, "TCPFrame1"), "SlotEdit");
      slot->setText("5");
      Child<QPushButton>(&dlg, "OKBtn")->click();
      if (row.written) return;
      EXPECT_TRUE(dlg.isVisible());
      EXPECT_EQ(slot->text(), "5");
      Child<QPushButton>(&dlg, "CancelBtn")->click();
    });
    if (row.changed) {
      ASSERT_EQ(boxes.boxes.size(), 1u);
      EXPECT_THAT(boxes.boxes[0].text, HasSubstr("\"" + ConfigPath() + "\""));
      EXPECT_EQ(boxes.boxes[0].flags & (MB_YESNO | MB_ICONQUESTION), MB_YESNO | MB_ICONQUESTION);
    } else {
      EXPECT_TRUE(boxes.boxes.empty());
    }
    if (row.written) {
      EXPECT_THAT(FileBytes(), HasSubstr("Rack=1\r\nSlot=5\r\n"));
    } else {
      EXPECT_EQ(FileBytes(), before);
    }
  }
}

// A file whose Rack line has a blank after the number reads as all
// defaults: OK asks before it writes the dialog's settings over it, and No
// keeps the dialog open with its entries.
TEST_F(ConfigDlgTest, OkAsksBeforeOverwritingAFileWhoseSettingsFellBack) {
  for (const int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer);
    WriteConfig(DistinctSettings(4), {"SPS"});
    std::string bytes = FileBytes();
    bytes.replace(bytes.find("Rack=1"), 6, "Rack=1 ");
    WriteBytes(ConfigPath(), bytes);
    MakeCard();
    boxes.boxes.clear();
    boxes.answer = answer;
    RunCardDialog([answer](TConfigDlg& dlg) {
      auto* log = Child<QLineEdit>(&dlg, "ErrorMsgEdit");
      log->setText("kept.txt");
      Child<QPushButton>(&dlg, "OKBtn")->click();
      if (answer == IDYES) return;
      EXPECT_TRUE(dlg.isVisible());
      EXPECT_EQ(log->text(), "kept.txt");
      Child<QPushButton>(&dlg, "CancelBtn")->click();
    });
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_THAT(boxes.boxes[0].text, HasSubstr("\"" + ConfigPath() + "\""));
    EXPECT_THAT(boxes.boxes[0].text,
                HasSubstr(":13: Rack=1 : a blank follows the number; every setting takes"));
    EXPECT_EQ(boxes.boxes[0].flags & (MB_YESNO | MB_ICONQUESTION), MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES)
      EXPECT_THAT(FileBytes(), HasSubstr("ProtokollFileName=kept.txt\r\n"));
    else
      EXPECT_EQ(FileBytes(), bytes);
  }
}

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

TEST_F(ConfigDlgTest, FreshRecordGivesThePlcRootWithItsAreas) {
  MakeCard();  // no configuration file yet
  ASSERT_TRUE(card->ChannelLines().empty());
  RunCardDialog([](TConfigDlg& dlg) { Child<QPushButton>(&dlg, "OKBtn")->click(); });
  EXPECT_EQ(card->ChannelLines(), kFreshChannelLines);
  ASSERT_TRUE(std::filesystem::exists(ConfigPath()));
  EXPECT_THAT(FileBytes(),
              HasSubstr(">ChT<\r\nSPS\r\n\tE\r\n\tA\r\n\tM\r\n\tT\r\n\tZ\r\n\tDB\r\n"));
}

TEST_F(ConfigDlgTest, ReadoutInfoShowsTheOrderCodeReadWithTheShownSettings) {
  WriteConfig(DistinctSettings(4), {});
  TConfigDlg& dlg = MakeDialog();
  Child<QLineEdit>(Child<QWidget>(&dlg, "TCPFrame1"), "IPAddressEdit")->setText("10.9.9.9");

  // The busy pointer is up while the library is at work, and gone after.
  TNoDaveApi watched = NoDave();
  std::vector<bool> busyDuringRead;
  const auto readCode = watched.daveGetOrderCode;
  watched.daveGetOrderCode = [&](daveConnection* dc, char* buffer) {
    const QCursor* cursor = QApplication::overrideCursor();
    busyDuringRead.push_back(cursor && cursor->shape() == Qt::WaitCursor);
    return readCode(dc, buffer);
  };
  const TNoDaveApi* previous = SetNoDaveApi(&watched);
  Child<QPushButton>(&dlg, "InfoLesenBtn")->click();
  SetNoDaveApi(previous);

  EXPECT_EQ(Child<QPlainTextEdit>(&dlg, "Memo1")->toPlainText(), "Order Code:6ES7 315-2EH14-0AB0");
  EXPECT_THAT(busyDuringRead, ElementsAre(true));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_THAT(fake.calls, Contains("openSocket(1102,10.9.9.9)"));
  EXPECT_EQ(dlg.ConfigInfo().IPAddress, "10.9.9.9");
  EXPECT_EQ(card->Config().IPAddress, "10.0.0.5") << "the working copy flowed back";
  EXPECT_TRUE(boxes.boxes.empty());

  fake.failOpenSocket = true;
  Child<QPushButton>(&dlg, "InfoLesenBtn")->click();
  EXPECT_TRUE(Child<QPlainTextEdit>(&dlg, "Memo1")->toPlainText().isEmpty());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  // The box the card's result asks for.
  EXPECT_EQ(boxes.boxes[0].caption, "Error");
  EXPECT_EQ(boxes.boxes[0].text, "Could not open the port 1102");
  EXPECT_EQ(boxes.boxes[0].flags, MB_OK | MB_ICONERROR);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ConfigDlgTest, SearchButtonOffersTextFilesAndTakesTheChosenPath) {
  WriteConfig(DistinctSettings(0), {});
  TConfigDlg& dlg = MakeDialog();
  auto* fileName = Child<QLineEdit>(&dlg, "ErrorMsgEdit");
  struct Case {
    bool accept;
    QString answer;
    QString shown;
  };
  const QString folder = QString::fromStdString(dir.string());
  const Case cases[] = {
      {false, "ignored.txt", "/var/log/s7 errors.txt"},
      {true, folder + "/chosen.txt", folder + "/chosen.txt"},
      {true, folder + "/plain", folder + "/plain.TXT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer.toStdString());
    int runs = 0;
    const TFileDialogRunner previous = SetFileDialogRunner([&](QFileDialog& fd) {
      ++runs;
      EXPECT_EQ(fd.objectName(), "OpenDialog2");
      EXPECT_EQ(fd.nameFilters(), QStringList{"Textdateien(*.txt)"});
      EXPECT_EQ(fd.defaultSuffix(), "TXT");
      EXPECT_EQ(fd.acceptMode(), QFileDialog::AcceptOpen);
      EXPECT_THAT(fd.selectedFiles().value(0).toStdString(),
                  ::testing::EndsWith("/ErrorProtokollProdaveS7.txt"));
      fd.selectFile(c.answer);
      return c.accept ? QDialog::Accepted : QDialog::Rejected;
    });
    Child<QPushButton>(&dlg, "Button2")->click();
    SetFileDialogRunner(previous);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(fileName->text(), c.shown);
  }
}

TEST_F(ConfigDlgTest, TabOrderFollowsTheDesign) {
  WriteConfig(DistinctSettings(0), {});
  TConfigDlg& dlg = MakeDialog();
  std::vector<std::string> order;
  QWidget* widget = Child<QWidget>(&dlg, "OKBtn");
  for (int guard = 0; guard < 200 && order.size() < 15; ++guard) {
    std::string name = widget->objectName().toStdString();
    if (widget == Child<QTabWidget>(&dlg, "PageControl1")->tabBar()) name = "PageControl1";
    const bool wanted = name == "OKBtn" || name == "CancelBtn" || name == "PageControl1" ||
                        name == "ConnectionTypeBox" || name == "Button2" ||
                        name == "ErrorMsgEdit" || name == "ErrorProtokol" || name == "Memo1" ||
                        name == "InfoLesenBtn" || name == "LocalPPI" || name == "Teilnehmerbox" ||
                        name == "LocalMPI" || name == "FindPlcsBtn" || name == "DiagnoseBtn" ||
                        name == "CheckChannelsBtn";
    if (wanted && (order.empty() || order.back() != name)) order.push_back(name);
    widget = widget->nextInFocusChain();
  }
  // LocalPPI opens the PPI frame, Teilnehmerbox the S7ONLINE frame, LocalMPI
  // the MPI frame; the tests come after every control the design has.
  EXPECT_THAT(order, ElementsAre("OKBtn", "CancelBtn", "PageControl1", "ConnectionTypeBox",
                                 "Button2", "ErrorMsgEdit", "ErrorProtokol", "Memo1",
                                 "InfoLesenBtn", "LocalPPI", "Teilnehmerbox", "LocalMPI",
                                 "FindPlcsBtn", "DiagnoseBtn", "CheckChannelsBtn"));
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
  std::vector<QKeyCombination> keys = {Qt::ControlModifier | Qt::Key_Tab,
                                       Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Backtab,
                                       Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Tab,
                                       QKeyCombination(Qt::Key_Right),
                                       QKeyCombination(Qt::Key_Left),
                                       QKeyCombination(Qt::Key_End)};
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

TEST_F(ConfigDlgTest, EveryFieldHasANameForAssistiveTechnology) {
  WriteConfig(DistinctSettings(0), {});
  TConfigDlg& dlg = MakeDialog();
  // What a screen reader can announce for the field: its own name and the
  // labels it is labelled by.
  const auto namesOf = [](QWidget* widget) {
    std::vector<std::string> names;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    if (!accessible) return names;
    if (!accessible->text(QAccessible::Name).isEmpty())
      names.push_back(accessible->text(QAccessible::Name).toStdString());
    for (const auto& [label, relation] : accessible->relations(QAccessible::Label))
      names.push_back(label->text(QAccessible::Name).toStdString());
    return names;
  };
  int fields = 0;
  for (QWidget* widget : dlg.findChildren<QWidget*>()) {
    const bool isField = qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget) ||
                         qobject_cast<QPlainTextEdit*>(widget) || qobject_cast<QTreeView*>(widget);
    if (!isField) continue;
    ++fields;
    EXPECT_FALSE(namesOf(widget).empty()) << widget->objectName().toStdString();
  }
  EXPECT_GE(fields, 15);
  const std::vector<std::tuple<const char*, const char*, const char*>> named = {
      {"TCPFrame1", "PortEdit", "Port:"},
      {"TCPFrame1", "IPAddressEdit", "IP address of the PLC:"},
      {"MPIFrame1", "LocalMPI", "Local MPI address:"},
      {"PPIFrame1", "RemotePPI", "Selected PPI address:"},
      {"PageControl1", "ConnectionTypeBox", "Connection to PLC:"},
      {"PageControl1", "ErrorMsgEdit", "log errors in:"},
      {"PageControl1", "Memo1", "Readout Info"},
  };
  for (const auto& [container, name, expected] : named)
    EXPECT_THAT(namesOf(Child<QWidget>(Child<QWidget>(&dlg, container), name)), Contains(expected))
        << name;
}

TEST_F(ConfigDlgTest, CardWalksEveryControlBeforeTheUserActs) {
  WriteConfig(DistinctSettings(0), {});
  MakeCard();
  walkedControls.clear();
  std::vector<std::string> seenAtFirstAction;
  RunCardDialog(
      [&seenAtFirstAction](TConfigDlg& dlg) {
        seenAtFirstAction = walkedControls;
        Child<QPushButton>(&dlg, "CancelBtn")->click();
      },
      RecordControl);

  const auto at = [&](const char* name) {
    return std::find(seenAtFirstAction.begin(), seenAtFirstAction.end(), name) -
           seenAtFirstAction.begin();
  };
  for (const char* name : {"OKBtn", "CancelBtn", "PageControl1", "TabSheet1", "TabSheet3",
                           "ConnectionTypeBox", "GroupBox4", "ErrorMsgEdit", "MPIFrame1",
                           "TCPFrame1", "IPAddressEdit", "TreeView1", "Label3"})
    EXPECT_THAT(seenAtFirstAction, Contains(name));
  // Depth-first, each control before what it holds.
  EXPECT_LT(at("PageControl1"), at("TabSheet1"));
  EXPECT_LT(at("TabSheet1"), at("ConnectionTypeBox"));
  EXPECT_LT(at("GroupBox4"), at("ErrorMsgEdit"));
  EXPECT_LT(at("TCPFrame1"), at("IPAddressEdit"));
  // Windows of their own are no controls of the dialog.
  EXPECT_THAT(seenAtFirstAction, Not(Contains("PopupMenu1")));
  EXPECT_EQ(std::count(seenAtFirstAction.begin(), seenAtFirstAction.end(), "OKBtn"), 1);
}

TEST_F(ConfigDlgTest, ChannelTreeRefusesALevelJump) {
  // The card refuses such lines itself; the dialog's own tree keeps the rule
  // for the lines it is given.
  TChannelTreeView tree;
  TChannelTreeEditor editor(&tree, {});
  editor.LoadChannelTree({"SPS", "\tE"});
  try {
    editor.LoadChannelTree({"SPS", "\tE", "\t\t\t7"});
    ADD_FAILURE() << "no error";
  } catch (const ETreeLevelError& error) {
    EXPECT_STREQ(error.what(), "Ungültige Ebene (3) für Eintrag \"7\"");
  }
  EXPECT_EQ(tree.model()->rowCount(), 0);
}

namespace {

bool HasLetters(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

}  // namespace

TEST_F(ConfigDlgTest, EveryCaptionHasAGermanEntry) {
  WriteConfig(DistinctSettings(0), {});
  TConfigDlg& dlg = MakeDialog();
  std::vector<QString> captions{dlg.windowTitle()};
  for (QObject* object : dlg.findChildren<QObject*>()) {
    if (auto* label = qobject_cast<QLabel*>(object)) captions.push_back(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(object)) captions.push_back(button->text());
    if (auto* group = qobject_cast<QGroupBox*>(object)) captions.push_back(group->title());
    if (auto* action = qobject_cast<QAction*>(object)) captions.push_back(action->text());
    if (auto* tabs = qobject_cast<QTabWidget*>(object))
      for (int i = 0; i < tabs->count(); ++i) captions.push_back(tabs->tabText(i));
  }
  const std::set<std::string> ids = GermanCatalogueIds();
  ASSERT_FALSE(ids.empty());
  for (const QString& caption : captions) {
    if (!HasLetters(caption) || caption == "OK") continue;
    EXPECT_TRUE(ids.count(caption.toStdString()))
        << "no German entry for \"" << caption.toStdString() << "\"";
  }
}
