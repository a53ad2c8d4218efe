#include "ui/HW_FrameTCP.h"

#include <QLineEdit>
#include <QPushButton>

#include "plc/CardServices.h"
#include "ui/FileText.h"
#include "ui/FindPlcsWindow.h"
#include "ui/IntegerEdit.h"

TTCPFrame::TTCPFrame(QWidget* parent)
    : TConnectionFrame(parent, false),
      FIPAddressEdit(new QLineEdit(this)),
      FPortEdit(NewSettingField("PortEdit", &TConfigInfo::IPPort)),
      FRackEdit(NewSettingField("RackEdit", &TConfigInfo::Rack)),
      FSlotEdit(NewSettingField("SlotEdit", &TConfigInfo::Slot)),
      FFindPlcsBtn(new QPushButton(QStringLiteral("&Find PLCs…"), this)) {
  FIPAddressEdit->setObjectName(QStringLiteral("IPAddressEdit"));
  FIPAddressEdit->setMaximumWidth(160);
  FFindPlcsBtn->setObjectName(QStringLiteral("FindPlcsBtn"));
  // As high as the address field beside it, so the rows keep their places.
  FFindPlcsBtn->setMaximumHeight(FIPAddressEdit->sizeHint().height());

  AddRow("IP address of the PLC:", FIPAddressEdit);
  AddBesideLastRow(FFindPlcsBtn);
  AddRow("Port:", FPortEdit);
  AddRow("Rack:", FRackEdit);
  AddRow("Slot:", FSlotEdit);
  connect(FFindPlcsBtn, &QPushButton::clicked, this, &TTCPFrame::FindPlcsClick);
}

void TTCPFrame::InitFrame(TCardServices* card, const TConfigInfo& settings,
                          TCollectSettingsEvent collectSettings) {
  TakeSettings(card, settings, std::move(collectSettings));
  ShowFileValue(FIPAddressEdit, FSettings->IPAddress,
                card ? card->FileEncoding() : TTextEncoding::Utf8);
  FPortEdit->SetValue(FSettings->IPPort);
  FRackEdit->SetValue(FSettings->Rack);
  FSlotEdit->SetValue(FSettings->Slot);
}

void TTCPFrame::StoreSettings(TConfigInfo& settings) {
  settings.IPAddress = FileValueOf(FIPAddressEdit);
  settings.IPPort = FPortEdit->GetValue();
  settings.Rack = FRackEdit->GetValue();
  settings.Slot = FSlotEdit->GetValue();
}

void TTCPFrame::FindPlcsClick() {
  // A refused entry must be put right before its value is used.
  if (!FCard || !EntriesAccepted()) return;
  // The window starts from what the dialog shows now, not what was saved.
  if (FCollectSettings) FCollectSettings(*FSettings);
  if (!FFindPlcs) {
    FFindPlcs = new TFindPlcsWindow(this, *FCard);
    FFindPlcs->OnUse = [this](const TScanRecord& plc) { ShowFoundPlc(plc); };
  }
  if (!FFindPlcs->isVisible()) FFindPlcs->Prefill(*FSettings);
  FFindPlcs->ShowInFront();
}

void TTCPFrame::ShowFoundPlc(const TScanRecord& plc) {
  FIPAddressEdit->setText(QString::fromStdString(IPv4Text(plc.Address)));
  FPortEdit->SetValue(plc.Port);
  ShowRackSlot(plc.Rack, plc.Slot);
}

void TTCPFrame::ShowRackSlot(int rack, int slot) {
  FRackEdit->SetValue(rack);
  FSlotEdit->SetValue(slot);
}
