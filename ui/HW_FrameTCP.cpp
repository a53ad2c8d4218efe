#include "HW_FrameTCP.h"

#include <QLineEdit>

#include "CardServices.h"
#include "FileText.h"
#include "IntegerEdit.h"

TTCPFrame::TTCPFrame(QWidget* parent)
    : TConnectionFrame(parent, false),
      FIPAddressEdit(new QLineEdit(this)),
      FPortEdit(NewSettingField("PortEdit", &TConfigInfo::IPPort)),
      FRackEdit(NewSettingField("RackEdit", &TConfigInfo::Rack)),
      FSlotEdit(NewSettingField("SlotEdit", &TConfigInfo::Slot)) {
  FIPAddressEdit->setObjectName(QStringLiteral("IPAddressEdit"));
  FIPAddressEdit->setMaximumWidth(160);

  AddRow("IP address of the PLC:", FIPAddressEdit);
  AddRow("Port:", FPortEdit);
  AddRow("Rack:", FRackEdit);
  AddRow("Slot:", FSlotEdit);
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
