#include "ui/HW_FrameBase.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "config/SettingsTable.h"
#include "config/VNList.h"
#include "plc/CardServices.h"
#include "support/VNUtils.h"
#include "ui/CardResultBox.h"
#include "ui/UpDown.h"

namespace {

constexpr int kLabelColumn = 0;
constexpr int kFieldColumn = 1;
// Where the arrows stop; typing goes on up to the setting's top.
constexpr int kSpinnerTop = 30000;
constexpr int kNumberFieldWidth = 80;

// Selects item index, or nothing when index is not one of the items. A combo
// box selects its first item on its own, so nothing must be said explicitly.
void SelectItem(QComboBox* box, int index) {
  box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

}  // namespace

TConnectionFrame::TConnectionFrame(QWidget* parent, bool offersPartners)
    : QFrame(parent), FSettings(std::make_unique<TConfigInfo>()) {
  setFrameShape(QFrame::NoFrame);
  FGrid = new QGridLayout(this);
  FGrid->setColumnStretch(kFieldColumn + 1, 1);
  if (offersPartners) {
    FTeilnehmerbox = NewListBox("Teilnehmerbox");
    FReachablePartners = new QPushButton(QStringLiteral("Reachable participants"), this);
    FReachablePartners->setObjectName(QStringLiteral("ReachablePartners"));
  }
}

TConnectionFrame::~TConnectionFrame() = default;

void TConnectionFrame::TakeSettings(TCardServices* card, const TConfigInfo& settings,
                                    TCollectSettingsEvent collectSettings) {
  FCard = card;
  FCollectSettings = std::move(collectSettings);
  FSettings = std::make_unique<TConfigInfo>();
  FSettings->CopyFrom(settings);
}

QLabel* TConnectionFrame::AddRow(const char* caption, QWidget* field, QWidget* spinner) {
  const int row = FRowCount++;
  QLabel* label = nullptr;
  if (caption) {
    label = new QLabel(QString::fromUtf8(caption), this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(field);
    FGrid->addWidget(label, row, kLabelColumn);
  }
  if (spinner) {
    auto* pair = new QHBoxLayout;
    pair->setSpacing(0);
    pair->addWidget(field);
    pair->addWidget(spinner);
    pair->addStretch(1);
    FGrid->addLayout(pair, row, kFieldColumn);
  } else {
    FGrid->addWidget(field, row, kFieldColumn);
  }
  // Rows stay packed at the top however tall the page is.
  FGrid->setRowStretch(row, 0);
  FGrid->setRowStretch(row + 1, 1);
  return label;
}

QComboBox* TConnectionFrame::NewListBox(const char* objectName) {
  auto* box = new QComboBox(this);
  box->setObjectName(QString::fromLatin1(objectName));
  box->setEditable(false);
  box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  return box;
}

TIntegerEdit* NewSettingField(QWidget* parent, std::string_view objectName, TNumberField member) {
  // The field accepts what the setting may hold, so the command line's --set
  // refuses exactly what the field refuses.
  const TSetting& setting = SettingOf(member);
  auto* field = new TIntegerEdit(parent);
  field->setObjectName(
      QString::fromLatin1(objectName.data(), static_cast<qsizetype>(objectName.size())));
  field->SetMinValue(setting.Min);
  field->SetMaxValue(setting.Max);
  field->SetIsZeroAllowed(true);
  field->SetFormat("%3d");
  field->SetNoBlanks(true);
  field->SetBeep(true);
  field->setMaximumWidth(kNumberFieldWidth);
  return field;
}

void TConnectionFrame::AddBesideLastRow(QWidget* widget) {
  FGrid->addWidget(widget, FRowCount - 1, kFieldColumn + 1, Qt::AlignLeft | Qt::AlignVCenter);
}

TIntegerEdit* TConnectionFrame::NewAddressField(TNumberField member) {
  return NewSettingField(SettingOf(member).Key, member);
}

TUpDown* TConnectionFrame::NewAddressSpinner(const char* objectName, TIntegerEdit* field) {
  auto* spinner = new TUpDown(this);
  spinner->setObjectName(QString::fromLatin1(objectName));
  spinner->SetRange(0, kSpinnerTop);
  spinner->SetIncrement(1);
  spinner->SetAssociate(field);
  return spinner;
}

void TConnectionFrame::AddPartnerRows() {
  AddRow(nullptr, FReachablePartners);
  AddRow("Selected participator:", FTeilnehmerbox);
}

void TConnectionFrame::FillComPortBox(QComboBox* box, int comport) {
  box->clear();
  const TSetting& ports = SettingOf(&TConfigInfo::Comport);
  for (int n = ports.Min; n <= ports.Max; ++n) box->addItem(QStringLiteral("COM%1").arg(n));
  SelectItem(box, comport - ports.Min);
}

void TConnectionFrame::FillBaudrateBox(QComboBox* box, int baudrate) {
  box->clear();
  for (const char* rate : SerialBaudRates) box->addItem(QString::fromLatin1(rate));
  SelectItem(box, baudrate);
}

void TConnectionFrame::FillSpeedBox(QComboBox* box, int speedIndex) {
  box->clear();
  for (const auto& speed : ProfibusSpeeds) box->addItem(QString::fromLatin1(speed.Label));
  SelectItem(box, speedIndex);
}

void TConnectionFrame::FillPartnerBox(int remoteMPI) {
  FTeilnehmerbox->clear();
  const TSetting& partners = SettingOf(&TConfigInfo::RemoteMPI);
  for (int n = partners.Min; n <= partners.Max; ++n) FTeilnehmerbox->addItem(QString::number(n));
  SelectItem(FTeilnehmerbox, remoteMPI - partners.Min);
}

void TConnectionFrame::StoreComPort(const QComboBox* box, TConfigInfo& settings) {
  settings.Comport = box->currentIndex() + SettingOf(&TConfigInfo::Comport).Min;
}

namespace {
// The number the selected partner item shows; none without a selection or
// when the item is not a number.
std::optional<std::int32_t> SelectedPartner(const QComboBox* box) {
  if (box->currentIndex() < 0) return std::nullopt;
  return TryStrToInt(box->currentText().toUtf8().toStdString());
}
}  // namespace

void TConnectionFrame::StoreRemoteMPI(TConfigInfo& settings) const {
  if (const auto partner = SelectedPartner(FTeilnehmerbox)) settings.RemoteMPI = *partner;
}

bool TConnectionFrame::EntriesAccepted() {
  const QList<TIntegerEdit*> fields = findChildren<TIntegerEdit*>();
  return std::all_of(fields.begin(), fields.end(),
                     [](TIntegerEdit* field) { return field->EntryAccepted(); });
}

void TConnectionFrame::ListReachablePartners() {
  // A refused address must not be replaced by the last one behind the
  // user's back: the listing waits until the entry is put right.
  if (!EntriesAccepted()) return;
  // The copy takes what the dialog shows now, not what was last saved.
  if (FCollectSettings) FCollectSettings(*FSettings);
  TIntegerList partners;
  // Without a card nobody can be asked: the list stays empty, as after a
  // listing whose interface could not be opened.
  if (FCard) ShowCardResult(FCard->ListPartners(*FSettings, partners));

  const std::int32_t previous = SelectedPartner(FTeilnehmerbox).value_or(0);
  FTeilnehmerbox->clear();
  int selected = -1;
  for (int i = 0; i < partners.Count(); ++i) {
    const std::int32_t address = partners.Values(i);
    FTeilnehmerbox->addItem(QString::number(address));
    if (address == previous) selected = i;
  }
  SelectItem(FTeilnehmerbox, selected);
}
