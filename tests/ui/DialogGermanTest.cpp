// With LANG=de_DE.UTF-8 and the catalogue beside the program, the dialog
// translates itself when it is built: captions, labels, tab captions, menu
// items; the connection-type labels, the file name and the channel tree
// stay as they are. No German locale needs to be installed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <cstdlib>

#include "support/Translation.h"
#include "tests/plc/GermanCatalogue.h"
#include "tests/ui/DialogTestSupport.h"
#include "ui/ChannelCheckWindow.h"
#include "ui/DiagnosisWindow.h"
#include "ui/DialogTranslation.h"
#include "ui/FindPlcsWindow.h"

namespace {

const auto* const kGerman = ::testing::AddGlobalTestEnvironment(new GermanCatalogueEnvironment);

}  // namespace

class DialogGermanTest : public DialogTest {};

TEST_F(DialogGermanTest, DialogTextsComeFromTheCatalogue) {
  TConfigInfo settings;
  settings.ProtokollFileName = "Cancel";  // data, even where it reads like a caption
  WriteConfig(settings, {"SPS", "\tE", "\t\t0"});
  TConfigDlg& dlg = MakeDialog();

  EXPECT_EQ(dlg.windowTitle(), "Konfiguration des SPS-Treibers");
  EXPECT_EQ(Child<QPushButton>(&dlg, "OKBtn")->text(), "OK");
  EXPECT_EQ(Child<QPushButton>(&dlg, "CancelBtn")->text(), "Abbrechen");
  EXPECT_EQ(Child<QPushButton>(&dlg, "Button2")->text(), "&suchen");
  EXPECT_EQ(Child<QPushButton>(&dlg, "InfoLesenBtn")->text(), "Info auslesen ");
  EXPECT_EQ(Child<QPushButton>(&dlg, "FindPlcsBtn")->text(), "&PLCs suchen…");
  EXPECT_EQ(Child<QPushButton>(&dlg, "DiagnoseBtn")->text(), "&Diagnose");
  EXPECT_EQ(Child<QPushButton>(&dlg, "CheckChannelsBtn")->text(), "&Kanäle prüfen");
  EXPECT_EQ(Child<QPushButton>(&dlg, "CheckChannelsBtn")->accessibleName(), "Kanäle prüfen");
  EXPECT_EQ(Child<QLabel>(&dlg, "Label5")->text(), "Verbindung zur SPS:");
  EXPECT_EQ(Child<QGroupBox>(&dlg, "GroupBox4")->title(), "Simulationsprotokoll");
  EXPECT_EQ(Child<QCheckBox>(&dlg, "ErrorProtokol")->text(), "Fehler protokollieren in:");
  EXPECT_EQ(Child<QAction>(&dlg, "NeuerEintrag1")->text(), "Adresse (Kanal) &hinzufügen");
  EXPECT_EQ(Child<QAction>(&dlg, "Eintraglschen1")->text(), "Adresse (Kanal) &löschen");
  EXPECT_THAT(Child<QLabel>(&dlg, "Label3")->text().toStdString(),
              ::testing::HasSubstr("Ausrufezeichen"));

  auto* pages = Child<QTabWidget>(&dlg, "PageControl1");
  EXPECT_EQ(pages->tabText(0), "Allgemeine Eigenschaften");
  // The caption by which the configurator finds and hides the page.
  EXPECT_EQ(pages->tabText(pages->indexOf(Child<QWidget>(&dlg, "TabSheet3"))), "Kanäle der SPS");

  auto* types = Child<QComboBox>(&dlg, "ConnectionTypeBox");
  for (int i = 0; i < types->count(); ++i)
    EXPECT_EQ(types->itemText(i).toStdString(), ConnectionTypes[i].Label);
  EXPECT_EQ(Child<QLineEdit>(&dlg, "ErrorMsgEdit")->text(), "Cancel");
  // Fields without a label beside them are named by their translated captions.
  EXPECT_EQ(Child<QLineEdit>(&dlg, "ErrorMsgEdit")->accessibleName(), "Fehler protokollieren in:");
  EXPECT_EQ(Child<QWidget>(&dlg, "Memo1")->accessibleName(), "Info auslesen");
  EXPECT_EQ(Child<QWidget>(&dlg, "TreeView1")->accessibleName(), "Kanäle der SPS");
  EXPECT_EQ(NodeText(NodeAt(Child<QTreeView>(&dlg, "TreeView1"), "SPS;E;0")), "0");
}

TEST_F(DialogGermanTest, TheWindowsOfTheTestsAreGerman) {
  WriteConfig(TConfigInfo(), {});
  MakeCard();
  const TFindPlcsWindow find(nullptr, *card);
  EXPECT_EQ(find.windowTitle(), "PLCs suchen");
  EXPECT_EQ(Child<QPushButton>(&find, "SearchBtn")->text(), "&Suchen");
  EXPECT_EQ(Child<QPushButton>(&find, "UseBtn")->accessibleName(), "Übernehmen");
  EXPECT_EQ(TDiagnosisWindow(nullptr, *card).windowTitle(), "Diagnose");
  EXPECT_EQ(TChannelCheckWindow(nullptr, *card).windowTitle(), "Kanalprüfung");
  EXPECT_EQ(FillIn(Tr("Use rack %d, slot %d"), {"0", "2"}), "Rack 0, Steckplatz 2 übernehmen");
}

TEST_F(DialogGermanTest, TheRefusalAtTheTopLevelIsGerman) {
  WriteConfig(TConfigInfo(), {});
  TConfigDlg& dlg = MakeDialog();
  auto* tree = Child<QTreeView>(&dlg, "TreeView1");
  tree->setCurrentIndex(TopNode(tree));
  dlg.ChannelTree()->NeuerEintrag1Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Fehler");
  EXPECT_EQ(boxes.boxes[0].text, "An dieser Stelle darf kein Element hinzugefügt werden!");
}

TEST_F(DialogGermanTest, ACharacterTheCodePageLacksIsRefusedInGerman) {
  // The node "\xE4" makes the file Windows-1252.
  WriteConfig(TConfigInfo(), {"SPS", "\tE", "\t\t\xE4"});
  TConfigDlg& dlg = MakeDialog();
  auto* tree = Child<QTreeView>(&dlg, "TreeView1");
  const QModelIndex node = NodeAt(tree, "SPS;E;\xE4");
  ASSERT_TRUE(node.isValid());
  EXPECT_EQ(node.data().toString(), QString("ä"));
  tree->model()->setData(node, QString("Ω"), Qt::EditRole);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Fehler");
  EXPECT_EQ(boxes.boxes[0].text,
            "Das Zeichen \"Ω\" kann in dieser Konfigurationsdatei nicht gespeichert werden, denn "
            "sie ist in der Codepage Windows-1252 geschrieben.");
  EXPECT_EQ(NodeText(node), "\xE4") << "the node keeps its text";
  tree->model()->setData(node, QString("ö"), Qt::EditRole);
  EXPECT_EQ(NodeText(node), "\xF6<-- ung\xFCltig") << "taken, checked, all in Windows-1252";
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(DialogGermanTest, IgnoreRulesKeepTheirPropertiesAndStay) {
  // A class the dialog does not use, so the rule cannot disturb other tests.
  QWidget form;
  auto* radio = new QRadioButton("Cancel", &form);
  radio->setToolTip("Cancel");
  auto* button = new QPushButton("Cancel", &form);
  form.setObjectName("Cancel");

  IgnoreClassProperty(QRadioButton::staticMetaObject, "text");
  IgnoreClassProperty(QRadioButton::staticMetaObject, "text");  // twice: no change
  TranslateComponent(&form);
  EXPECT_EQ(radio->text(), "Cancel");
  EXPECT_EQ(radio->toolTip(), "Abbrechen");
  EXPECT_EQ(button->text(), "Abbrechen");
  EXPECT_EQ(form.objectName(), "Cancel") << "names are never translated";
  EXPECT_TRUE(IsPropertyIgnored(radio, "text"));
  EXPECT_FALSE(IsPropertyIgnored(button, "text"));
  EXPECT_TRUE(IsPropertyIgnored(button, "objectName"));
}
