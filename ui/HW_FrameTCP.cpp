#include "HW_FrameTCP.h"

#include <QLineEdit>

#include "vncomps.h"

namespace {
TIntegerEdit* NewNumberField(QWidget* parent, const char* objectName, std::int32_t minValue) {
  auto* field = new TIntegerEdit(parent);
  field->setObjectName(QString::fromLatin1(objectName));
  field->SetMinValue(minValue);
  field->SetMaxValue(65535);
  field->SetIsZeroAllowed(true);
  field->SetFormat("%3d");
  field->SetNoBlanks(true);
  field->SetBeep(true);
  field->setMaximumWidth(80);
  return field;
}
}  // namespace

TTCPFrame::TTCPFrame(QWidget* parent)
    : TConnectionFrame(parent, false),
      FIPAddressEdit(new QLineEdit(this)),
      FPortEdit(NewNumberField(this, "PortEdit", 1)),
      FRackEdit(NewNumberField(this, "RackEdit", 0)),
      FSlotEdit(NewNumberField(this, "SlotEdit", 0)) {
  FIPAddressEdit->setObjectName(QStringLiteral("IPAddressEdit"));
  FIPAddressEdit->setMaximumWidth(160);

  AddRow("IP address of the PLC:", FIPAddressEdit);
  AddRow("Port:", FPortEdit);
  AddRow("Rack:", FRackEdit);
  AddRow("Slot:", FSlotEdit);
}

void TTCPFrame::InitFrame(TCard* card, const TConfigInfo& settings,
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
