#include "HW_FrameTCP.h"

#include <QLineEdit>

#include "vncomps.h"

TTCPFrame::TTCPFrame(QWidget* parent)
    : TConnectionFrame(parent, false),
      FIPAddressEdit(new QLineEdit(this)),
      FPortEdit(NewNumberField("PortEdit", 1, 65535)),
      FRackEdit(NewNumberField("RackEdit", 0, 65535)),
      FSlotEdit(NewNumberField("SlotEdit", 0, 65535)) {
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
  FIPAddressEdit->setText(QString::fromLocal8Bit(FSettings->IPAddress));
  FPortEdit->SetValue(FSettings->IPPort);
  FRackEdit->SetValue(FSettings->Rack);
  FSlotEdit->SetValue(FSettings->Slot);
}

void TTCPFrame::StoreSettings(TConfigInfo& settings) {
  settings.IPAddress = FIPAddressEdit->text().toLocal8Bit().toStdString();
  settings.IPPort = FPortEdit->GetValue();
  settings.Rack = FRackEdit->GetValue();
  settings.Slot = FSlotEdit->GetValue();
}
