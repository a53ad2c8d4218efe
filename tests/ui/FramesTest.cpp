// The four connection frames: what they show for stored settings, what they
// store back, their captions and tab order, and the partner listing through
// a real card in front of a scripted S7 library.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <filesystem>

#include "plc/Card.h"
#include "support/VNErrors.h"
#include "tests/plc/FakeNoDave.h"
#include "tests/support/testsupport/ConfigTexts.h"
#include "tests/support/testsupport/TempFolder.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/HW_FrameMPI.h"
#include "ui/HW_FramePPI.h"
#include "ui/HW_FrameS7Online.h"
#include "ui/HW_FrameTCP.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

template <class W = QWidget>
W* Child(QWidget* frame, const char* name) {
  auto* child = frame->findChild<W*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

QString Text(QWidget* frame, const char* name) {
  if (auto* box = frame->findChild<QComboBox*>(QString::fromLatin1(name)))
    return box->currentText();
  return Child<QLineEdit>(frame, name)->text();
}

QStringList Items(QWidget* frame, const char* name) {
  auto* box = Child<QComboBox>(frame, name);
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

int Selected(QWidget* frame, const char* name) {
  return Child<QComboBox>(frame, name)->currentIndex();
}

void Choose(QWidget* frame, const char* name, const QString& item) {
  auto* box = Child<QComboBox>(frame, name);
  box->setCurrentIndex(box->findText(item));
}

std::vector<std::string> ChangedFields(const TConfigInfo& before, const TConfigInfo& after) {
  std::vector<std::string> changed;
  const auto a = SettingsFields(before);
  const auto b = SettingsFields(after);
  for (const auto& [key, value] : a)
    if (b.at(key) != value) changed.push_back(key);
  return changed;
}

// Settings that differ from what any frame would store back.
TConfigInfo Distinct() {
  TConfigInfo c;
  c.Connectiontype = 9;
  c.Comport = 77;
  c.Baudrate = 77;
  c.LocalMPI = 77;
  c.LocalPPI = 77;
  c.RemoteMPI = 77;
  c.RemotePPI = 77;
  c.ProfibusSpeedIndex = 77;
  c.IPAddress = "untouched";
  c.IPPort = 77;
  c.Rack = 77;
  c.Slot = 77;
  c.WriteProtocol = 77;
  c.ProtokollFileName = "untouched";
  return c;
}

class FramesTest : public TempFolderTest {
 protected:
  void SetUp() override { card = std::make_unique<TCard>(0, (dir / "libs7drv.so").string()); }

  template <class F>
  F* Frame(const TConfigInfo& settings = TConfigInfo()) {
    auto* frame = win.Add(new F);
    frame->InitFrame(card.get(), settings, nullptr);
    return frame;
  }

  BoxRecorder recorder;
  BeepCounter beeper;
  FakeNoDave fake;
  std::unique_ptr<TCard> card;
  TestWindow win;
};

TEST_F(FramesTest, DefaultSettingsShowTheDefaultConnection) {
  auto* mpi = Frame<TMPIFrame>();
  auto* ppi = Frame<TPPIFrame>();
  auto* tcp = Frame<TTCPFrame>();
  auto* online = Frame<TS7OnlineFrame>();
  const std::vector<std::tuple<QWidget*, const char*, QString>> rows = {
      {mpi, "ComPortBox", "COM2"},  {mpi, "BaudrateBox", "9600"},
      {mpi, "SpeedBox", "187k"},    {mpi, "LocalMPI", "0"},
      {mpi, "Teilnehmerbox", "2"},  {ppi, "LocalPPI", "0"},
      {ppi, "RemotePPI", "2"},      {ppi, "ComPortBox", "COM2"},
      {ppi, "BaudrateBox", "9600"}, {tcp, "IPAddressEdit", "192.168.0.1"},
      {tcp, "PortEdit", "102"},     {tcp, "RackEdit", "0"},
      {tcp, "SlotEdit", "2"},       {online, "Teilnehmerbox", "2"},
  };
  for (const auto& [frame, name, shown] : rows)
    EXPECT_EQ(Text(frame, name), shown) << frame->metaObject()->className() << " " << name;
}

TEST_F(FramesTest, TheListsHoldTheirFixedItems) {
  auto* mpi = Frame<TMPIFrame>();
  EXPECT_THAT(Items(mpi, "ComPortBox"),
              ElementsAre("COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9"));
  EXPECT_THAT(Items(mpi, "BaudrateBox"), ElementsAre("9600", "19200", "38400", "57600", "115200"));
  EXPECT_THAT(Items(mpi, "SpeedBox"),
              ElementsAre("9k", "19k", "187k", "500k", "1500k", "45k", "93k"));
  QStringList partners;
  for (int n = 1; n <= 100; ++n) partners << QString::number(n);
  EXPECT_THAT(Items(mpi, "Teilnehmerbox"), ElementsAreArray(partners));
  EXPECT_THAT(Items(Frame<TS7OnlineFrame>(), "Teilnehmerbox"), ElementsAreArray(partners));
  auto* ppi = Frame<TPPIFrame>();
  EXPECT_EQ(Items(ppi, "ComPortBox").size(), 9);
  EXPECT_EQ(Items(ppi, "BaudrateBox").size(), 5);
}

TEST_F(FramesTest, StoredIndicesSelectTheirItemsAndChoicesAreStoredByPosition) {
  TConfigInfo settings;
  settings.Baudrate = 4;
  settings.ProfibusSpeedIndex = 5;
  settings.Comport = 9;
  settings.RemoteMPI = 100;
  auto* mpi = Frame<TMPIFrame>(settings);
  EXPECT_EQ(Text(mpi, "BaudrateBox"), "115200");
  EXPECT_EQ(Text(mpi, "SpeedBox"), "45k");
  EXPECT_EQ(Text(mpi, "ComPortBox"), "COM9");
  EXPECT_EQ(Text(mpi, "Teilnehmerbox"), "100");

  Choose(mpi, "SpeedBox", "93k");
  Choose(mpi, "ComPortBox", "COM1");
  Choose(mpi, "BaudrateBox", "19200");
  Choose(mpi, "Teilnehmerbox", "1");
  TConfigInfo stored;
  mpi->StoreSettings(stored);
  EXPECT_EQ(stored.ProfibusSpeedIndex, 6);
  EXPECT_EQ(stored.Comport, 1);
  EXPECT_EQ(stored.Baudrate, 1);
  EXPECT_EQ(stored.RemoteMPI, 1);
}

TEST_F(FramesTest, StoredValuesOutsideTheListsLeaveThemUnselected) {
  struct Row {
    int comport, baudrate, speed, remoteMPI;
  };
  for (const Row& row : {Row{12, 5, 7, 0}, Row{0, -1, -1, 101}}) {
    TConfigInfo settings;
    settings.Comport = row.comport;
    settings.Baudrate = row.baudrate;
    settings.ProfibusSpeedIndex = row.speed;
    settings.RemoteMPI = row.remoteMPI;
    for (QWidget* frame :
         std::initializer_list<QWidget*>{Frame<TMPIFrame>(settings), Frame<TPPIFrame>(settings)}) {
      EXPECT_EQ(Selected(frame, "ComPortBox"), -1);
      EXPECT_EQ(Selected(frame, "BaudrateBox"), -1);
    }
    auto* mpi = Frame<TMPIFrame>(settings);
    EXPECT_EQ(Selected(mpi, "SpeedBox"), -1);
    EXPECT_EQ(Selected(mpi, "Teilnehmerbox"), -1);
    auto* online = Frame<TS7OnlineFrame>(settings);
    EXPECT_EQ(Selected(online, "Teilnehmerbox"), -1);

    // An unselected list stores -1 (Comport 0); the partner stays as it was.
    TConfigInfo stored = Distinct();
    mpi->StoreSettings(stored);
    EXPECT_EQ(stored.Comport, 0);
    EXPECT_EQ(stored.Baudrate, -1);
    EXPECT_EQ(stored.ProfibusSpeedIndex, -1);
    EXPECT_EQ(stored.RemoteMPI, 77);
    stored = Distinct();
    online->StoreSettings(stored);
    EXPECT_EQ(stored.RemoteMPI, 77);
  }
}

TEST_F(FramesTest, EachFrameStoresOnlyTheFieldsItShows) {
  TConfigInfo settings;
  settings.Comport = 3;
  settings.Baudrate = 2;
  settings.LocalMPI = 5;
  settings.LocalPPI = 6;
  settings.RemotePPI = 7;
  settings.RemoteMPI = 8;
  settings.ProfibusSpeedIndex = 1;
  settings.IPAddress = "10.0.0.9";
  settings.IPPort = 1102;
  settings.Rack = 1;
  settings.Slot = 3;
  const std::vector<std::pair<QWidget*, std::vector<std::string>>> rows = {
      {Frame<TPPIFrame>(settings), {"Baudrate", "Comport", "LocalPPI", "RemotePPI"}},
      {Frame<TMPIFrame>(settings),
       {"Baudrate", "Comport", "LocalMPI", "ProfibusSpeedIndex", "RemoteMPI"}},
      {Frame<TTCPFrame>(settings), {"IPAddress", "IPPort", "Rack", "Slot"}},
      {Frame<TS7OnlineFrame>(settings), {"RemoteMPI"}},
  };
  for (const auto& [frame, shown] : rows) {
    TConfigInfo stored = Distinct();
    if (auto* f = qobject_cast<TMPIFrame*>(frame)) f->StoreSettings(stored);
    if (auto* f = qobject_cast<TPPIFrame*>(frame)) f->StoreSettings(stored);
    if (auto* f = qobject_cast<TTCPFrame*>(frame)) f->StoreSettings(stored);
    if (auto* f = qobject_cast<TS7OnlineFrame*>(frame)) f->StoreSettings(stored);
    EXPECT_THAT(ChangedFields(Distinct(), stored), ElementsAreArray(shown))
        << frame->metaObject()->className();
    for (const auto& key : shown)
      EXPECT_EQ(SettingsFields(stored).at(key), SettingsFields(settings).at(key));
  }
}

TEST_F(FramesTest, AnAddressThatCannotBeASpinnerPositionFailsTheFilling) {
  const auto init = [this](auto* frame, auto set) {
    TConfigInfo settings;
    set(settings);
    frame->InitFrame(card.get(), settings, nullptr);
  };
  EXPECT_THROW(init(new TMPIFrame(win.window.get()), [](auto& c) { c.LocalMPI = 32768; }),
               ERangeError);
  EXPECT_THROW(init(new TMPIFrame(win.window.get()), [](auto& c) { c.LocalMPI = -32769; }),
               ERangeError);
  EXPECT_THROW(init(new TPPIFrame(win.window.get()), [](auto& c) { c.LocalPPI = 100000; }),
               ERangeError);
  EXPECT_THROW(init(new TPPIFrame(win.window.get()), [](auto& c) { c.RemotePPI = -40000; }),
               ERangeError);
  EXPECT_NO_THROW(init(new TPPIFrame(win.window.get()), [](auto& c) {
    c.LocalPPI = 32767;
    c.RemotePPI = -32768;
  }));
}

TEST_F(FramesTest, AddressesTypedOrSteppedAreStoredThroughTheSpinner) {
  TConfigInfo settings;
  settings.LocalMPI = 4;
  auto* mpi = Frame<TMPIFrame>(settings);
  ASSERT_TRUE(win.Show());
  auto* field = Child<TIntegerEdit>(mpi, "LocalMPI");
  TConfigInfo stored;
  // Beyond what the spinner holds: refused like any number above the
  // limit, never dropped silently.
  const std::vector<std::tuple<QString, int, const char*>> rows = {
      {"17", 17, nullptr},
      {"31000", 31000, nullptr},
      {"0", 0, nullptr},
      {"32767", 32767, nullptr},
      {"32768", 32767, "Zahlenwert zu groß"},
  };
  for (const auto& [typed, expected, refusal] : rows) {
    recorder.boxes.clear();
    TypeAndLeave(field, typed);
    QCoreApplication::processEvents();
    mpi->StoreSettings(stored);
    EXPECT_EQ(stored.LocalMPI, expected) << typed.toStdString();
    if (refusal) {
      ASSERT_EQ(recorder.boxes.size(), 1u) << typed.toStdString();
      EXPECT_EQ(recorder.boxes[0].text, refusal);
      EXPECT_EQ(field->text(), "32767") << "the last accepted address is back";
    } else {
      EXPECT_TRUE(recorder.boxes.empty()) << typed.toStdString();
    }
  }
  // Leaving with a refused text brings back the last accepted address.
  TypeAndLeave(field, "1-2");
  QCoreApplication::processEvents();
  EXPECT_EQ(field->text(), "32767");
  field->setText("3");
  QTest::mouseClick(Child<TUpDown>(mpi, "LocalMPIUpDown")->findChild<QToolButton*>("UpButton"),
                    Qt::LeftButton);
  mpi->StoreSettings(stored);
  EXPECT_EQ(stored.LocalMPI, 4);
}

TEST_F(FramesTest, ARefusedAddressBringsBackTheStoredOne) {
  TConfigInfo settings;
  settings.LocalPPI = 5;
  settings.RemotePPI = 6;
  auto* ppi = Frame<TPPIFrame>(settings);
  ASSERT_TRUE(win.Show());
  for (const auto& [name, restored] : {std::pair{"LocalPPI", "5"}, std::pair{"RemotePPI", "6"}}) {
    TypeAndLeave(Child<TIntegerEdit>(ppi, name), "1-2");
    QCoreApplication::processEvents();
    EXPECT_EQ(Text(ppi, name), restored) << name;
  }
  EXPECT_EQ(recorder.boxes.size(), 2u);
}

TEST_F(FramesTest, LeavingThePortWithAnUnacceptablePortKeepsTheFocusThere) {
  auto* tcp = Frame<TTCPFrame>();
  ASSERT_TRUE(win.Show());
  auto* port = Child<TIntegerEdit>(tcp, "PortEdit");
  const std::vector<std::pair<QString, std::string>> rows = {
      {"0", "Zahlenwert zu klein"},
      {"65536", "Zahlenwert zu groß"},
      {"1-2", "Falsches Zahlenformat"},
      {"", "Falsches Zahlenformat"},
  };
  for (const auto& [typed, message] : rows) {
    recorder.boxes.clear();
    TypeAndLeave(port, typed);
    QCoreApplication::processEvents();
    ASSERT_EQ(recorder.boxes.size(), 1u) << typed.toStdString();
    EXPECT_EQ(recorder.boxes[0].text, message);
    EXPECT_EQ(recorder.boxes[0].caption, "Fehler");
    EXPECT_EQ(port->text(), "102");
    EXPECT_EQ(port->selectedText(), "102") << "typing again would not replace it";
    EXPECT_EQ(QApplication::focusWidget(), port);
  }
  TypeAndLeave(port, "1102");
  QCoreApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), Child<QWidget>(tcp, "RackEdit"));
  TConfigInfo stored;
  tcp->StoreSettings(stored);
  EXPECT_EQ(stored.IPPort, 1102);
}

TEST_F(FramesTest, LabelsStandRightAlignedBesideTheirControls) {
  QWidget* mpi = Frame<TMPIFrame>();
  QWidget* ppi = Frame<TPPIFrame>();
  QWidget* tcp = Frame<TTCPFrame>();
  QWidget* online = Frame<TS7OnlineFrame>();
  const std::vector<std::tuple<QWidget*, const char*, const char*>> rows = {
      {mpi, "LocalMPI", "Local MPI address:"},
      {mpi, "ComPortBox", "Serial Interface used:"},
      {mpi, "BaudrateBox", "Transfer rate:"},
      {mpi, "SpeedBox", "Tranfer rate for Profibus:"},
      {mpi, "Teilnehmerbox", "Selected participator:"},
      {ppi, "LocalPPI", "Local PPI address:"},
      {ppi, "ComPortBox", "Serial Interface used:"},
      {ppi, "BaudrateBox", "Transfer rate:"},
      {ppi, "RemotePPI", "Selected PPI address:"},
      {tcp, "IPAddressEdit", "IP address of the PLC:"},
      {tcp, "PortEdit", "Port:"},
      {tcp, "RackEdit", "Rack:"},
      {tcp, "SlotEdit", "Slot:"},
      {online, "Teilnehmerbox", "Selected participator:"},
  };
  for (const auto& [frame, name, caption] : rows) {
    QWidget* control = Child(frame, name);
    const QLabel* label = nullptr;
    for (auto* candidate : frame->findChildren<QLabel*>())
      if (candidate->buddy() == control) label = candidate;
    ASSERT_NE(label, nullptr) << name;
    EXPECT_EQ(label->text().toStdString(), caption);
    EXPECT_TRUE(label->alignment() & Qt::AlignRight) << name;
  }
  for (QWidget* frame : {mpi, online})
    EXPECT_EQ(Child<QPushButton>(frame, "ReachablePartners")->text(), "Reachable participants");
}

TEST_F(FramesTest, NumberFieldsShowTheirLimitsAndSpinnersStopAtTheirEnds) {
  QWidget* mpi = Frame<TMPIFrame>();
  QWidget* ppi = Frame<TPPIFrame>();
  QWidget* tcp = Frame<TTCPFrame>();
  ASSERT_TRUE(win.Show());
  const std::vector<std::tuple<QWidget*, const char*, const char*>> limits = {
      {mpi, "LocalMPI", "von: 0\n\rbis: 32767"},  {ppi, "LocalPPI", "von: 0\n\rbis: 32767"},
      {ppi, "RemotePPI", "von: 0\n\rbis: 32767"}, {tcp, "PortEdit", "von: 1\n\rbis: 65535"},
      {tcp, "RackEdit", "von: 0\n\rbis: 65535"},  {tcp, "SlotEdit", "von: 0\n\rbis: 65535"},
  };
  for (const auto& [frame, name, range] : limits) {
    recorder.boxes.clear();
    QTest::mouseClick(Child(frame, name), Qt::RightButton);
    ASSERT_EQ(recorder.boxes.size(), 1u) << name;
    EXPECT_EQ(recorder.boxes[0].text, std::string("Zulässiger Wertebereich:\n\r") + range) << name;
  }

  const std::vector<std::tuple<QWidget*, const char*, const char*>> spinners = {
      {mpi, "LocalMPIUpDown", "LocalMPI"},
      {ppi, "LocalPPIUpDown", "LocalPPI"},
      {ppi, "RemotePPiUpDown", "RemotePPI"},
  };
  for (const auto& [frame, spinnerName, fieldName] : spinners) {
    auto* spinner = Child<TUpDown>(frame, spinnerName);
    auto* field = Child<QLineEdit>(frame, fieldName);
    const std::vector<std::tuple<const char*, const char*, const char*>> steps = {
        {"29999", "UpButton", "30000"},
        {"30000", "UpButton", "30000"},
        {"1", "DownButton", "0"},
        {"0", "DownButton", "0"},
    };
    for (const auto& [before, button, after] : steps) {
      field->setText(before);
      QTest::mouseClick(spinner->findChild<QToolButton*>(button), Qt::LeftButton);
      EXPECT_EQ(field->text().toStdString(), after)
          << spinnerName << " " << before << " " << button;
    }
  }
}

TEST_F(FramesTest, TabWalksTheControlsInTheirOrder) {
  const std::vector<std::pair<QWidget*, std::vector<const char*>>> rows = {
      {Frame<TMPIFrame>(),
       {"Teilnehmerbox", "ReachablePartners", "BaudrateBox", "ComPortBox", "LocalMPI", "SpeedBox"}},
      {Frame<TPPIFrame>(), {"LocalPPI", "ComPortBox", "BaudrateBox", "RemotePPI"}},
      {Frame<TTCPFrame>(), {"IPAddressEdit", "PortEdit", "RackEdit", "SlotEdit"}},
      {Frame<TS7OnlineFrame>(), {"Teilnehmerbox", "ReachablePartners"}},
  };
  ASSERT_TRUE(win.Show());
  for (const auto& [frame, names] : rows) {
    Child(frame, names.front())->setFocus(Qt::TabFocusReason);
    for (std::size_t i = 1; i < names.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      ASSERT_NE(QApplication::focusWidget(), nullptr);
      EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), names[i])
          << frame->metaObject()->className();
    }
  }
  EXPECT_TRUE(recorder.boxes.empty());
}

class PartnerListingTest : public FramesTest, public ::testing::WithParamInterface<const char*> {
 protected:
  // The frame under test, with its button and list.
  TConnectionFrame* NewFrame(const TConfigInfo& settings, TCollectSettingsEvent collect) {
    if (std::string(GetParam()) == "MPI") {
      auto* frame = win.Add(new TMPIFrame);
      frame->InitFrame(card.get(), settings, std::move(collect));
      return frame;
    }
    auto* frame = win.Add(new TS7OnlineFrame);
    frame->InitFrame(card.get(), settings, std::move(collect));
    return frame;
  }
  void Click(QWidget* frame) {
    QTest::mouseClick(Child<QPushButton>(frame, "ReachablePartners"), Qt::LeftButton);
  }
  static void Store(TConnectionFrame* frame, TConfigInfo& settings) {
    if (auto* mpi = qobject_cast<TMPIFrame*>(frame))
      mpi->StoreSettings(settings);
    else
      qobject_cast<TS7OnlineFrame*>(frame)->StoreSettings(settings);
  }
};

TEST_P(PartnerListingTest, TheAnsweringPartnersReplaceTheListAndKeepTheSelectedOne) {
  fake.answeringAddresses = {0, 2, 3};
  struct Row {
    int previous;
    int selected;  // index in the new list
  };
  const std::vector<Row> rows = {{2, 1}, {5, -1}, {3, 2}};
  std::vector<TConnectionFrame*> frames;
  for (const Row& row : rows) {
    TConfigInfo settings;
    settings.RemoteMPI = row.previous;
    frames.push_back(NewFrame(settings, [](TConfigInfo& c) { c.Connectiontype = 0; }));
  }
  ASSERT_TRUE(win.Show());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    Click(frames[i]);
    EXPECT_THAT(Items(frames[i], "Teilnehmerbox"), ElementsAre("0", "2", "3"));
    EXPECT_EQ(Selected(frames[i], "Teilnehmerbox"), rows[i].selected) << rows[i].previous;
    TConfigInfo stored = Distinct();
    Store(frames[i], stored);
    EXPECT_EQ(stored.RemoteMPI, rows[i].selected < 0 ? 77 : rows[i].previous);
  }
  EXPECT_TRUE(recorder.boxes.empty());
}

TEST_P(PartnerListingTest, TheCardIsAskedWithWhatTheDialogShowsNow) {
  TConfigInfo settings;  // saved: MPI on COM2
  int collected = 0;
  auto* frame = NewFrame(settings, [&collected](TConfigInfo& c) {
    ++collected;
    c.Connectiontype = 3;  // the dialog now shows PPI on COM4 at 38400
    c.Comport = 4;
    c.Baudrate = 2;
  });
  fake.answeringAddresses = {2};
  ASSERT_TRUE(win.Show());
  Click(frame);
  EXPECT_EQ(collected, 1);
  ASSERT_FALSE(fake.calls.empty());
  EXPECT_EQ(fake.calls.front(), "setPort(COM4,38400,E)");
  EXPECT_EQ(frame->Settings().Connectiontype, 3) << "the copy keeps what was collected";
  EXPECT_EQ(fake.openHandles.size(), 0u) << "the port is closed again";
}

TEST_P(PartnerListingTest, AFailedListingEmptiesThePartnerList) {
  TConfigInfo settings;
  settings.Connectiontype = 5;
  auto* frame = NewFrame(settings, nullptr);
  fake.failOpenS7online = true;
  ASSERT_TRUE(win.Show());
  Click(frame);
  EXPECT_TRUE(Items(frame, "Teilnehmerbox").isEmpty());
  EXPECT_EQ(Selected(frame, "Teilnehmerbox"), -1);
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_THAT(recorder.boxes[0].text, HasSubstr("S7ONLINE"));
  // Nothing selected: the partner stays as it was.
  TConfigInfo stored = Distinct();
  Store(frame, stored);
  EXPECT_EQ(stored.RemoteMPI, 77);
}

INSTANTIATE_TEST_SUITE_P(Frames, PartnerListingTest, ::testing::Values("MPI", "S7Online"));

}  // namespace
