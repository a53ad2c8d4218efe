// What OK hands to the card and writes to the file, in the file's own
// encoding, and what Cancel and the close box leave alone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <vector>

#include "ConfigTexts.h"
#include "DialogTestSupport.h"

using ::testing::HasSubstr;

namespace {

TStrings SettingsLines(const TConfigInfo& settings) {
  TStrings lines;
  settings.SaveToList(lines);
  return lines;
}

const TStrings kFreshChannelLines = {"SPS", "\tE", "\tA", "\tM", "\tT", "\tZ", "\tDB"};

}  // namespace

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

TEST_F(ConfigDlgTest, FreshRecordGivesThePlcRootWithItsAreas) {
  MakeCard();  // no configuration file yet
  ASSERT_TRUE(card->ChannelLines().empty());
  RunCardDialog([](TConfigDlg& dlg) { Child<QPushButton>(&dlg, "OKBtn")->click(); });
  EXPECT_EQ(card->ChannelLines(), kFreshChannelLines);
  ASSERT_TRUE(std::filesystem::exists(ConfigPath()));
  EXPECT_THAT(FileBytes(),
              HasSubstr(">ChT<\r\nSPS\r\n\tE\r\n\tA\r\n\tM\r\n\tT\r\n\tZ\r\n\tDB\r\n"));
}
