#pragma once
// Connection settings for the three serial MPI variants.
#include "ui/HW_FrameBase.h"

class TIntegerEdit;
class TUpDown;

class TMPIFrame : public TConnectionFrame {
  Q_OBJECT

 public:
  explicit TMPIFrame(QWidget* parent = nullptr);

  // Fills the controls from settings; ERangeError when LocalMPI cannot be a
  // spinner position (outside -32768..32767).
  void InitFrame(TCardServices* card, const TConfigInfo& settings,
                 TCollectSettingsEvent collectSettings);
  // Writes LocalMPI, Comport, Baudrate, ProfibusSpeedIndex and RemoteMPI.
  void StoreSettings(TConfigInfo& settings);
  // The "Reachable participants" button.
  void ReachablePartnersClick();

 private:
  // In tab order, which is the order of creation.
  QComboBox* FBaudrateBox;
  QComboBox* FComPortBox;
  TIntegerEdit* FLocalMPI;
  TUpDown* FLocalMPIUpDown;
  QComboBox* FSpeedBox;
};
