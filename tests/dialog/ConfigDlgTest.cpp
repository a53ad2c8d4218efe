// The configuration dialog over a real card: the form, the frame per
// connection type, the order-code test, the file dialog, the names and
// captions of its controls and the card's walk over them.
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
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <set>
#include <vector>

#include "CatalogueIds.h"
#include "ConfigTexts.h"
#include "DialogTestSupport.h"
#include "HW_FrameMPI.h"
#include "HW_FramePPI.h"
#include "HW_FrameS7Online.h"
#include "HW_FrameTCP.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

namespace {

const char* const kFrames[] = {"MPIFrame1", "PPIFrame1", "TCPFrame1", "S7OnlineFrame1"};

std::vector<std::string> ShownFrames(const TConfigDlg& dlg) {
  std::vector<std::string> shown;
  for (const char* name : kFrames)
    if (!Child<QWidget>(&dlg, name)->isHidden()) shown.push_back(name);
  return shown;
}

// Names of the controls the card's callback was given, in call order.
std::vector<std::string> walkedControls;
void RecordControl(QWidget* control) {
  walkedControls.push_back(control->objectName().toStdString());
}

}  // namespace

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
