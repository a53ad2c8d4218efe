#include "HW_FrameTCP.h"

#include <QLineEdit>

#include "CardServices.h"
#include "FileText.h"
#include "SettingsCheck.h"
#include "vncomps.h"

namespace {

// The fields accept what the settings may hold, so the command line's --set
// refuses exactly what these fields refuse.
TSettingRange RangeOf(const char* key) {
  return *SettingRange(key);
}

}  // namespace

TTCPFrame::TTCPFrame(QWidget* parent)
    : TConnectionFrame(parent, false),
      FIPAddressEdit(new QLineEdit(this)),
      FPortEdit(NewNumberField("PortEdit", RangeOf("IPPort").Min, RangeOf("IPPort").Max)),
      FRackEdit(NewNumberField("RackEdit", RangeOf("Rack").Min, RangeOf("Rack").Max)),
      FSlotEdit(NewNumberField("SlotEdit", RangeOf("Slot").Min, RangeOf("Slot").Max)) {
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
