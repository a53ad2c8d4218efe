#include "HW_FramePPI.h"

#include <QComboBox>

#include "vncomps.h"

namespace {
TIntegerEdit* NewAddressField(QWidget* parent, const char* objectName) {
  auto* field = new TIntegerEdit(parent);
  field->setObjectName(QString::fromLatin1(objectName));
  field->SetMinValue(0);
  field->SetMaxValue(100000);
  field->SetIsZeroAllowed(true);
  field->SetFormat("%3d");
  field->SetNoBlanks(true);
  field->SetBeep(true);
  field->SetValue(1);  // the design value
  field->setMaximumWidth(80);
  return field;
}

TUpDown* NewSpinner(QWidget* parent, const char* objectName, TIntegerEdit* field) {
  auto* spinner = new TUpDown(parent);
  spinner->setObjectName(QString::fromLatin1(objectName));
  spinner->SetRange(0, 30000);
  spinner->SetIncrement(1);
  spinner->SetAssociate(field);
  return spinner;
}
}  // namespace

TPPIFrame::TPPIFrame(QWidget* parent)
    : TConnectionFrame(parent, false),
      FLocalPPI(NewAddressField(this, "LocalPPI")),
      FLocalPPIUpDown(NewSpinner(this, "LocalPPIUpDown", FLocalPPI)),
      FComPortBox(NewListBox("ComPortBox")),
      FBaudrateBox(NewListBox("BaudrateBox")),
      FRemotePPI(NewAddressField(this, "RemotePPI")),
      FRemotePPiUpDown(NewSpinner(this, "RemotePPiUpDown", FRemotePPI)) {
  AddRow("Local PPI address:", FLocalPPI, FLocalPPIUpDown);
  AddRow("Serial Interface used:", FComPortBox);
  AddRow("Transfer rate:", FBaudrateBox);
  AddRow("Selected PPI address:", FRemotePPI, FRemotePPiUpDown);
}

void TPPIFrame::InitFrame(TCard* card, const TConfigInfo& settings,
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
