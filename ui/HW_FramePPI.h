#pragma once
// Connection settings for PPI (S7-200).
#include "ui/HW_FrameBase.h"

class TIntegerEdit;
class TUpDown;

class TPPIFrame : public TConnectionFrame {
  Q_OBJECT

 public:
  explicit TPPIFrame(QWidget* parent = nullptr);

  // Fills the controls from settings; ERangeError when LocalPPI or RemotePPI
  // cannot be a spinner position (outside -32768..32767).
  void InitFrame(TCardServices* card, const TConfigInfo& settings,
                 TCollectSettingsEvent collectSettings);
  // Writes RemotePPI, LocalPPI, Comport and Baudrate.
  void StoreSettings(TConfigInfo& settings);

 private:
  TIntegerEdit* FLocalPPI;
  TUpDown* FLocalPPIUpDown;
  QComboBox* FComPortBox;
  QComboBox* FBaudrateBox;
  TIntegerEdit* FRemotePPI;
  TUpDown* FRemotePPiUpDown;
};
