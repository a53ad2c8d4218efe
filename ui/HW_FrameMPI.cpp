#include "HW_FrameMPI.h"

#include <QComboBox>
#include <QPushButton>

#include "vncomps.h"

namespace {
// Address fields accept 0..100000 when typed; the spinner steps 0..30000.
void SetUpAddressField(TIntegerEdit* field, TUpDown* spinner) {
  field->SetMinValue(0);
  field->SetMaxValue(100000);
  field->SetIsZeroAllowed(true);
  field->SetFormat("%3d");
  field->SetNoBlanks(true);
  field->SetBeep(true);
  field->setMaximumWidth(80);
  spinner->SetRange(0, 30000);
  spinner->SetIncrement(1);
  spinner->SetAssociate(field);
}
}  // namespace

TMPIFrame::TMPIFrame(QWidget* parent)
    : TConnectionFrame(parent, true),
      FBaudrateBox(NewListBox("BaudrateBox")),
      FComPortBox(NewListBox("ComPortBox")),
      FLocalMPI(new TIntegerEdit(this)),
      FLocalMPIUpDown(new TUpDown(this)),
      FSpeedBox(NewListBox("SpeedBox")) {
  FLocalMPI->setObjectName(QStringLiteral("LocalMPI"));
  FLocalMPIUpDown->setObjectName(QStringLiteral("LocalMPIUpDown"));
  SetUpAddressField(FLocalMPI, FLocalMPIUpDown);

  AddRow("Local MPI address:", FLocalMPI, FLocalMPIUpDown);
  AddRow("Serial Interface used:", FComPortBox);
  AddRow("Transfer rate:", FBaudrateBox);
  AddRow("Tranfer rate for Profibus:", FSpeedBox);
  AddPartnerRows();
  connect(FReachablePartners, &QPushButton::clicked, this, &TMPIFrame::ReachablePartnersClick);
}

void TMPIFrame::InitFrame(TCard* card, const TConfigInfo& settings,
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
