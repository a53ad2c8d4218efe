#include "ui/HW_FramePPI.h"

#include <QComboBox>

#include "ui/UpDown.h"

TPPIFrame::TPPIFrame(QWidget* parent)
    : TConnectionFrame(parent, false),
      FLocalPPI(NewAddressField(&TConfigInfo::LocalPPI)),
      FLocalPPIUpDown(NewAddressSpinner("LocalPPIUpDown", FLocalPPI)),
      FComPortBox(NewListBox("ComPortBox")),
      FBaudrateBox(NewListBox("BaudrateBox")),
      FRemotePPI(NewAddressField(&TConfigInfo::RemotePPI)),
      FRemotePPiUpDown(NewAddressSpinner("RemotePPiUpDown", FRemotePPI)) {
  // The addresses' design value; the stored ones replace it in InitFrame.
  FLocalPPI->SetValue(1);
  FRemotePPI->SetValue(1);
  AddRow("Local PPI address:", FLocalPPI, FLocalPPIUpDown);
  AddRow("Serial Interface used:", FComPortBox);
  AddRow("Transfer rate:", FBaudrateBox);
  AddRow("Selected PPI address:", FRemotePPI, FRemotePPiUpDown);
}

void TPPIFrame::InitFrame(TCardServices* card, const TConfigInfo& settings,
                          TCollectSettingsEvent collectSettings) {
  TakeSettings(card, settings, std::move(collectSettings));
  FRemotePPiUpDown->SetPosition(FSettings->RemotePPI);
  FLocalPPIUpDown->SetPosition(FSettings->LocalPPI);
  FillComPortBox(FComPortBox, FSettings->Comport);
  FillBaudrateBox(FBaudrateBox, FSettings->Baudrate);
}

void TPPIFrame::StoreSettings(TConfigInfo& settings) {
  settings.RemotePPI = FRemotePPiUpDown->Position();
  settings.LocalPPI = FLocalPPIUpDown->Position();
  StoreComPort(FComPortBox, settings);
  settings.Baudrate = FBaudrateBox->currentIndex();
}
