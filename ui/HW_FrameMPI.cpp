#include "ui/HW_FrameMPI.h"

#include <QComboBox>
#include <QPushButton>

#include "ui/UpDown.h"

TMPIFrame::TMPIFrame(QWidget* parent)
    : TConnectionFrame(parent, true),
      FBaudrateBox(NewListBox("BaudrateBox")),
      FComPortBox(NewListBox("ComPortBox")),
      FLocalMPI(NewAddressField(&TConfigInfo::LocalMPI)),
      FLocalMPIUpDown(NewAddressSpinner("LocalMPIUpDown", FLocalMPI)),
      FSpeedBox(NewListBox("SpeedBox")) {
  AddRow("Local MPI address:", FLocalMPI, FLocalMPIUpDown);
  AddRow("Serial Interface used:", FComPortBox);
  AddRow("Transfer rate:", FBaudrateBox);
  AddRow("Tranfer rate for Profibus:", FSpeedBox);
  AddPartnerRows();
  connect(FReachablePartners, &QPushButton::clicked, this, &TMPIFrame::ReachablePartnersClick);
}

void TMPIFrame::InitFrame(TCardServices* card, const TConfigInfo& settings,
                          TCollectSettingsEvent collectSettings) {
  TakeSettings(card, settings, std::move(collectSettings));
  FLocalMPIUpDown->SetPosition(FSettings->LocalMPI);
  FillComPortBox(FComPortBox, FSettings->Comport);
  FillBaudrateBox(FBaudrateBox, FSettings->Baudrate);
  FillSpeedBox(FSpeedBox, FSettings->ProfibusSpeedIndex);
  FillPartnerBox(FSettings->RemoteMPI);
}

void TMPIFrame::StoreSettings(TConfigInfo& settings) {
  settings.LocalMPI = FLocalMPIUpDown->Position();
  StoreComPort(FComPortBox, settings);
  settings.Baudrate = FBaudrateBox->currentIndex();
  settings.ProfibusSpeedIndex = FSpeedBox->currentIndex();
  StoreRemoteMPI(settings);
}

void TMPIFrame::ReachablePartnersClick() {
  ListReachablePartners();
}
