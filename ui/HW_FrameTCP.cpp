#include "HW_FrameTCP.h"

#include <QLineEdit>

#include "CardServices.h"
#include "FileText.h"
#include "IntegerEdit.h"
#include "SettingsCheck.h"

TTCPFrame::TTCPFrame(QWidget* parent)
    : TConnectionFrame(parent, false),
      FIPAddressEdit(new QLineEdit(this)),
      FPortEdit(NewSettingField("PortEdit", "IPPort")),
      FRackEdit(NewSettingField("RackEdit", "Rack")),
      FSlotEdit(NewSettingField("SlotEdit", "Slot")) {
  FIPAddressEdit->setObjectName(QStringLiteral("IPAddressEdit"));
  FIPAddressEdit->setMaximumWidth(160);

  AddRow("IP address of the PLC:", FIPAddressEdit);
  AddRow("Port:", FPortEdit);
  AddRow("Rack:", FRackEdit);
  AddRow("Slot:", FSlotEdit);
}

TIntegerEdit* TTCPFrame::NewSettingField(const char* objectName, const char* key) {
  // The fields accept what the settings may hold, so the command line's --set
  // refuses exactly what these fields refuse.
  const TSettingRange range = *SettingRange(key);
  return NewNumberField(objectName, range.Min, range.Max);
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
