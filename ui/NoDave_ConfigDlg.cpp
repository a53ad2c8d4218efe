#include "ui/NoDave_ConfigDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "config/ConfigReading.h"
#include "config/ConnectionType.h"
#include "plc/CardServices.h"
#include "support/MessageBox.h"
#include "support/Translation.h"
#include "support/VNErrors.h"
#include "ui/CardResultBox.h"
#include "ui/ChannelItemModel.h"
#include "ui/ChannelTreeEditor.h"
#include "ui/ChannelTreeView.h"
#include "ui/ConnectionTests.h"
#include "ui/DialogTranslation.h"
#include "ui/FileText.h"
#include "ui/HW_FrameMPI.h"
#include "ui/HW_FramePPI.h"
#include "ui/HW_FrameS7Online.h"
#include "ui/HW_FrameTCP.h"

namespace {

constexpr int InitialWidth = 513;
constexpr int InitialHeight = 429;

TFileDialogRunner& FileDialogRunner() {
  static TFileDialogRunner runner;
  return runner;
}

// The mouse pointer shows that the program is busy while the card talks to
// the PLC: the dialog does not respond until the call returns.
class TBusyCursor {
 public:
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

template <class T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

// The widgets inside container that take the focus with the Tab key, in
// the order of the window's focus chain.
std::vector<QWidget*> TabStopsOf(QWidget* container) {
  std::vector<QWidget*> stops;
  QWidget* start = container->window();
  QWidget* widget = start;
  do {
    if (container->isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus) &&
        !widget->focusProxy())
      stops.push_back(widget);
    widget = widget->nextInFocusChain();
  } while (widget && widget != start);
  return stops;
}

}  // namespace

TFileDialogRunner SetFileDialogRunner(TFileDialogRunner runner) {
  return std::exchange(FileDialogRunner(), std::move(runner));
}

TConfigDlg::TConfigDlg(QWidget* owner, const TConfigInfo& settings, TCardServices* card)
    : QDialog(owner), FCard(card) {
  // The form as designed.
  CreateControls();

  // Translated before any control is filled by code, so that what the code
  // fills (the connection types, the frames' lists) stays as it is.
  IgnoreClassProperty(QWidget::staticMetaObject, "helpKeyword");
  IgnoreClassProperty(QStackedWidget::staticMetaObject, "pages");
  TranslateComponent(this);
  NameFieldsWithoutLabel();

  // Working copy of the card's settings.
  FConfigInfo = std::make_unique<TConfigInfo>();
  FConfigInfo->CopyFrom(settings);

  ErrorProtokol->setChecked(FConfigInfo->WriteProtocol != 0);
  ShowFileValue(ErrorMsgEdit, FConfigInfo->ProtokollFileName, FCard->FileEncoding());

  // The connection-type labels are names of protocols: never translated.
  ConnectionTypeBox->clear();
  for (const ProtoStringValue& type : ConnectionTypes)
    ConnectionTypeBox->addItem(QString::fromUtf8(type.Label));
  const int type = FConfigInfo->Connectiontype;
  ConnectionTypeBox->setCurrentIndex(type >= 0 && type < ConnectionTypeBox->count() ? type : -1);
  // The longest label is shown whole; the dialog widens for it if need be.
  ConnectionTypeBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  ConnectionTypeBox->setMinimumWidth(ConnectionTypeBox->sizeHint().width());

  // Every frame starts from the same copy, whatever the type.
  const TCollectSettingsEvent collect = [this](TConfigInfo& target) { CollectSettings(target); };
  MPIFrame1->InitFrame(FCard, *FConfigInfo, collect);
  PPIFrame1->InitFrame(FCard, *FConfigInfo, collect);
  TCPFrame1->InitFrame(FCard, *FConfigInfo, collect);
  S7OnlineFrame1->InitFrame(FCard, *FConfigInfo, collect);

  // The channel tree, cleaned up as OK saves it; only the top-level nodes
  // show at first. From here on the tree is the working copy of the
  // channel lines; OK stores it back into FChannelLines.
  LoadChannelTree();
  TreeView1->ExpandAllNodes();
  TreeView1->collapseAll();

  // The size fits the largest frame while all of them still count, and the
  // connection labels filled in above.
  TabSheet1->layout()->invalidate();
  TabSheet1->layout()->activate();
  setFixedSize(QSize(InitialWidth, InitialHeight).expandedTo(minimumSizeHint()));

  // The frame of the selected type is the one shown.
  ConnectionTypeBoxChange();
  Memo1->clear();

  connect(ConnectionTypeBox, &QComboBox::currentIndexChanged, this,
          &TConfigDlg::ConnectionTypeBoxChange);
  connect(OKBtn, &QPushButton::clicked, this, &TConfigDlg::OKBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(Button2, &QPushButton::clicked, this, &TConfigDlg::Button2Click);
  connect(InfoLesenBtn, &QPushButton::clicked, this, &TConfigDlg::InfoLesenBtnClick);
  FFocusWatch =
      connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        const bool wasInside = old && TabSheet3->isAncestorOf(old);
        if (now && TabSheet3->isAncestorOf(now) && !wasInside) TabSheet3Enter();
      });
}

TConfigDlg::~TConfigDlg() {
  // The pages go before this object does; focus moves while they go must
  // not reach the watch.
  disconnect(FFocusWatch);
}

void TConfigDlg::CreateControls() {
  setWindowTitle("Configuration of the PLC driver");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

  OKBtn = Named(new QPushButton("OK", this), "OKBtn");
  CancelBtn = Named(new QPushButton("Cancel", this), "CancelBtn");
  PageControl1 = Named(new QTabWidget(this), "PageControl1");
  PageControl1->tabBar()->setExpanding(false);
  PageControl1->addTab(CreateGeneralPage(), "General properties");
  PageControl1->addTab(CreateChannelPage(), "Channels of the PLC");
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet3), false);
  // A hidden tab can still be chosen by Ctrl+Tab, Ctrl+Shift+Tab, the arrow
  // keys on the tab bar and the mouse wheel; a disabled one cannot. Only
  // the tab is disabled: the page and its tree keep working.
  PageControl1->tabBar()->setTabEnabled(PageControl1->indexOf(TabSheet3), false);
  PageControl1->setCurrentWidget(TabSheet1);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  buttons->addStretch();
  auto* form = new QHBoxLayout(this);
  form->addWidget(PageControl1, 1);
  form->addLayout(buttons);

  SwitchOffDefaultButtons();
  SetTabOrder();
}

QWidget* TConfigDlg::CreateGeneralPage() {
  TabSheet1 = Named(new QWidget, "TabSheet1");

  Label5 = Named(new QLabel("Connection to PLC:", TabSheet1), "Label5");
  Label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  ConnectionTypeBox = Named(new QComboBox(TabSheet1), "ConnectionTypeBox");
  ConnectionTypeBox->setEditable(false);
  Label5->setBuddy(ConnectionTypeBox);

  GroupBox4 = Named(new QGroupBox("Simulation protocol", TabSheet1), "GroupBox4");
  Button2 = Named(new QPushButton("&search", GroupBox4), "Button2");
  ErrorMsgEdit = Named(new QLineEdit("VN98_S7.TXT", GroupBox4), "ErrorMsgEdit");
  ErrorProtokol = Named(new QCheckBox("log errors in:", GroupBox4), "ErrorProtokol");

  Memo1 = Named(new QPlainTextEdit("Memo1", TabSheet1), "Memo1");
  // A display of the order code: read and copied, not typed into. Tab moves
  // on to the next control instead of typing a TAB character.
  Memo1->setReadOnly(true);
  Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Memo1->setTabChangesFocus(true);
  InfoLesenBtn = Named(new QPushButton("Readout Info ", TabSheet1), "InfoLesenBtn");
  // The tests beyond the order code, in a row of their own under "Readout
  // Info ": beside it they would narrow the memo.
  Tests = Named(
      new TConnectionTests(
          TabSheet1, *FCard, [this] { return TakeShownSettings() ? FConfigInfo.get() : nullptr; },
          [this] { return FChannelTree->Model()->Channels(); },
          [this](int rack, int slot) { TCPFrame1->ShowRackSlot(rack, slot); }),
      "ConnectionTests");

  PPIFrame1 = Named(new TPPIFrame(TabSheet1), "PPIFrame1");
  S7OnlineFrame1 = Named(new TS7OnlineFrame(TabSheet1), "S7OnlineFrame1");
  MPIFrame1 = Named(new TMPIFrame(TabSheet1), "MPIFrame1");
  TCPFrame1 = Named(new TTCPFrame(TabSheet1), "TCPFrame1");

  auto* typeRow = new QHBoxLayout;
  typeRow->addWidget(Label5);
  typeRow->addWidget(ConnectionTypeBox, 1);

  // The four frames share one place; exactly one of them is shown.
  auto* frames = new QGridLayout;
  frames->setContentsMargins(0, 0, 0, 0);
  for (QWidget* frame :
       std::initializer_list<QWidget*>{PPIFrame1, S7OnlineFrame1, MPIFrame1, TCPFrame1})
    frames->addWidget(frame, 0, 0, Qt::AlignTop);

  auto* infoRow = new QHBoxLayout;
  infoRow->addWidget(InfoLesenBtn, 0, Qt::AlignTop);
  infoRow->addWidget(Memo1, 1);
  Memo1->setFixedHeight(3 * Memo1->fontMetrics().lineSpacing() + 12);

  // The switch above the file name, so that a whole path fits the field.
  auto* protocol = new QGridLayout(GroupBox4);
  protocol->addWidget(ErrorProtokol, 0, 0, 1, 2);
  protocol->addWidget(ErrorMsgEdit, 1, 0);
  protocol->addWidget(Button2, 1, 1);
  protocol->setColumnStretch(0, 1);

  auto* page = new QVBoxLayout(TabSheet1);
  page->addLayout(typeRow);
  page->addLayout(frames);
  page->addStretch(1);
  page->addLayout(infoRow);
  page->addWidget(Tests);
  page->addWidget(GroupBox4);
  return TabSheet1;
}

QWidget* TConfigDlg::CreateChannelPage() {
  TabSheet3 = Named(new QWidget, "TabSheet3");
  TreeView1 = Named(new TChannelTreeView(TabSheet3), "TreeView1");
  FChannelTree = new TChannelTreeEditor(
      TreeView1, [this](std::string_view path) { return FCard->IsChannelUsed(path); }, this);

  Label4 = Named(new QLabel("Add or rather delete addresses that are mapped to channels by "
                            "clicking the right mouse button within the tree.",
                            TabSheet3),
                 "Label4");
  Label9 = Named(new QLabel("By pressing the Enter key you can edit channels directly. The "
                            "key Insert adds new channels and Delete erases all selected.",
                            TabSheet3),
                 "Label9");
  Label3 = Named(new QLabel("Channels that are used by a hardware block are not allowed to be "
                            "modified. These adresses are shown with an exclamation mark!",
                            TabSheet3),
                 "Label3");
  for (QLabel* label : {Label4, Label9, Label3}) label->setWordWrap(true);
  QPalette maroon = Label3->palette();
  maroon.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00));
  Label3->setPalette(maroon);

  auto* notes = new QVBoxLayout;
  notes->addWidget(Label4);
  notes->addStretch(1);
  notes->addWidget(Label9);
  notes->addStretch(1);
  notes->addWidget(Label3);
  notes->addStretch(2);
  auto* page = new QHBoxLayout(TabSheet3);
  page->addWidget(TreeView1, 3);
  page->addLayout(notes, 2);
  return TabSheet3;
}

void TConfigDlg::NameFieldsWithoutLabel() {
  // Labels name their fields through their buddies; these fields have none
  // beside them, so they take the (translated) caption that explains them.
  ErrorMsgEdit->setAccessibleName(ErrorProtokol->text());
  Memo1->setAccessibleName(InfoLesenBtn->text().trimmed());
  for (QPushButton* button :
       {TCPFrame1->FindPlcsButton(), Tests->DiagnoseButton(), Tests->CheckChannelsButton()})
    button->setAccessibleName(button->text().remove('&'));
  TreeView1->setAccessibleName(PageControl1->tabText(PageControl1->indexOf(TabSheet3)));
}

void TConfigDlg::SwitchOffDefaultButtons() {
  // Enter must not close the dialog: no button is the dialog's default.
  for (QPushButton* button : findChildren<QPushButton*>()) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
}

void TConfigDlg::SetTabOrder() {
  std::vector<QWidget*> order{OKBtn,       CancelBtn,    PageControl1->tabBar(), ConnectionTypeBox,
                              Button2,     ErrorMsgEdit, ErrorProtokol,          Memo1,
                              InfoLesenBtn};
  for (QWidget* frame :
       std::initializer_list<QWidget*>{PPIFrame1, S7OnlineFrame1, MPIFrame1, TCPFrame1}) {
    const std::vector<QWidget*> stops = TabStopsOf(frame);
    order.insert(order.end(), stops.begin(), stops.end());
  }
  order.push_back(TreeView1);
  // The tests come after every control the dialog had before them.
  order.erase(std::remove(order.begin(), order.end(), TCPFrame1->FindPlcsButton()), order.end());
  order.insert(order.end(), {TCPFrame1->FindPlcsButton(), Tests->DiagnoseButton(),
                             Tests->CheckChannelsButton()});
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void TConfigDlg::keyPressEvent(QKeyEvent* event) {
  // Escape would reject and Enter would press a default button; neither may
  // close this dialog. Only Cancel and the close box cancel it.
  switch (event->key()) {
    case Qt::Key_Escape:
      event->accept();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->ignore();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void TConfigDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (OnShow) OnShow(this);
}

void TConfigDlg::CollectSettings(TConfigInfo& settings) {
  // A hidden frame writes nothing, so the fields only it owns keep the
  // values the record had. isHidden, not isVisible: after the modal run the
  // dialog itself is no longer shown.
  if (!MPIFrame1->isHidden()) MPIFrame1->StoreSettings(settings);
  if (!PPIFrame1->isHidden()) PPIFrame1->StoreSettings(settings);
  if (!TCPFrame1->isHidden()) TCPFrame1->StoreSettings(settings);
  if (!S7OnlineFrame1->isHidden()) S7OnlineFrame1->StoreSettings(settings);
  settings.Connectiontype = ConnectionTypeBox->currentIndex();
  settings.WriteProtocol = ErrorProtokol->isChecked() ? 1 : 0;
  settings.ProtokollFileName = FileValueOf(ErrorMsgEdit);
}

bool TConfigDlg::EntriesAccepted() {
  for (TConnectionFrame* frame :
       std::initializer_list<TConnectionFrame*>{MPIFrame1, PPIFrame1, TCPFrame1, S7OnlineFrame1}) {
    if (!frame->isHidden() && !frame->EntriesAccepted()) return false;
  }
  return true;
}

void TConfigDlg::OKBtnClick() {
  // A refused entry would otherwise be saved as the number it replaced.
  if (!EntriesAccepted()) return;
  if (!AgreedToOverwriteUnread()) return;
  TSaveChanges changes;
  changes.OverwriteChanged = [this] { return OverwriteChangedFile(); };
  changes.Apply = [this](TConfigInfo& settings, TChannelTreeModel& channels) {
    TakeEntries(settings, channels);
    return TResult{};
  };
  changes.Unread = FOverwriteUnread ? TUnreadFile::Overwrite : TUnreadFile::Keep;
  TSaveResult saved;
  {
    TBusyCursor busy;  // while another writer finishes
    saved = FCard->SaveChanges(changes);
  }
  // Without the writers' turn nothing happened: the entries stay for another try.
  if (!saved.TurnTaken) {
    ShowMessageBox(saved.Result.Text(), FailureCaption(saved.Result.Kind),
                   MB_OK | MB_ICONERROR | MB_TASKMODAL);
    return;
  }
  if (saved.Result && !saved.Written) return;  // the user keeps the file
  FSaveResult = saved.Result;
  accept();
}

bool TConfigDlg::OverwriteChangedFile() {
  QApplication::setOverrideCursor(Qt::ArrowCursor);  // over the busy one, for the question
  const int answer = ShowMessageBox(
      FillIn(Tr("The configuration file \"%s\" was changed since this dialog read it. Overwrite "
                "it with the settings of this dialog?"),
             {FCard->Settings().ConfigFileName}),
      Tr("Configuration file changed"), MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL);
  QApplication::restoreOverrideCursor();
  return answer == IDYES;
}

void TConfigDlg::TakeEntries(TConfigInfo& settings, TChannelTreeModel& channels) {
  EnsurePlcRoot();
  FChannelLines.clear();
  StoreChannelTree();
  CollectSettings(settings);
  channels = TChannelTreeModel::FromLines(FChannelLines);
}

bool TConfigDlg::AgreedToOverwriteUnread() {
  const TConfigReading& reading = FCard->Reading();
  if (reading.Clean()) return true;
  const std::string& path = FCard->Settings().ConfigFileName;
  const std::string findings = FindingsText(path, ReadFindings(reading, FCard->FileEncoding()));
  FOverwriteUnread =
      ShowMessageBox(FillIn(Tr("This dialog does not show everything the configuration file "
                               "\"%s\" holds:\n%s\nOverwrite the file with the settings of this "
                               "dialog?"),
                            {path, findings}),
                     Tr("Configuration file not read whole"),
                     MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL) == IDYES;
  return FOverwriteUnread;
}

void TConfigDlg::Button2Click() {
  QFileDialog OpenDialog2(this);
  OpenDialog2.setObjectName("OpenDialog2");
  OpenDialog2.setAcceptMode(QFileDialog::AcceptOpen);
  OpenDialog2.setFileMode(QFileDialog::AnyFile);
  OpenDialog2.setOption(QFileDialog::DontUseNativeDialog);
  // Shown exactly as "Textdateien(*.txt)"; the pattern in brackets is the mask.
  OpenDialog2.setNameFilter("Textdateien(*.txt)");
  OpenDialog2.setDefaultSuffix("TXT");
  OpenDialog2.selectFile("ErrorProtokollProdaveS7.txt");
  const TFileDialogRunner& runner = FileDialogRunner();
  const int result = runner ? runner(OpenDialog2) : OpenDialog2.exec();
  if (result != QDialog::Accepted) return;
  const QStringList chosen = OpenDialog2.selectedFiles();
  if (!chosen.isEmpty()) SetFileValueText(ErrorMsgEdit, chosen.first());
}

void TConfigDlg::ConnectionTypeBoxChange() {
  const int index = ConnectionTypeBox->currentIndex();
  // The frame holding a refused entry stays until the entry is put right.
  if (FShownType && *FShownType != index && !EntriesAccepted()) {
    const QSignalBlocker unchanged(ConnectionTypeBox);
    ConnectionTypeBox->setCurrentIndex(*FShownType);
    return;
  }
  FShownType = index;
  // Without a selection the MPI frame is the one shown.
  const std::optional<TConnectionType> type = ConnectionTypeOf(index);
  MPIFrame1->setVisible(!type || IsMpi(*type));
  PPIFrame1->setVisible(type == TConnectionType::Ppi);
  TCPFrame1->setVisible(type == TConnectionType::IsoTcp);
  S7OnlineFrame1->setVisible(type == TConnectionType::S7Online);
  InfoLesenBtn->setEnabled(PPIFrame1->isHidden());
  Memo1->setEnabled(InfoLesenBtn->isEnabled());
}

bool TConfigDlg::TakeShownSettings() {
  if (!EntriesAccepted()) return false;
  CollectSettings(*FConfigInfo);
  return true;
}

void TConfigDlg::InfoLesenBtnClick() {
  if (!TakeShownSettings()) return;
  TResultOr<std::string> orderCode;
  {
    TBusyCursor busy;
    orderCode = FCard->ReadOrderCode(*FConfigInfo);
  }
  ShowCardResult(orderCode.Result);
  Memo1->setPlainText(QString::fromLatin1(orderCode.Value));  // the PLC sends ASCII
}

void TConfigDlg::TabSheet3Enter() {
  EnsurePlcRoot();
}

void TConfigDlg::LoadChannelTree() {
  FChannelTree->Model()->SetEncoding(FCard->FileEncoding());
  TChannelTreeModel channels = FCard->ChannelTree();
  channels.CleanUp(FChannelTree->Model()->UsedLookup());
  FChannelTree->LoadChannelTree(std::move(channels));
}

void TConfigDlg::EnsurePlcRoot() {
  FChannelTree->EnsurePlcRoot();
}

void TConfigDlg::StoreChannelTree() {
  FChannelTree->StoreChannelTree(FChannelLines);
}
