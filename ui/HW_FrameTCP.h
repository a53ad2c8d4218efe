#pragma once
// Connection settings for ISO over TCP.
#include "HW_FrameBase.h"

class QLineEdit;
class TIntegerEdit;

class TTCPFrame : public TConnectionFrame {
  Q_OBJECT

 public:
  explicit TTCPFrame(QWidget* parent = nullptr);

  void InitFrame(TCardServices* card, const TConfigInfo& settings,
                 TCollectSettingsEvent collectSettings);
  // Writes IPAddress (as typed), IPPort, Rack and Slot (each field's Value).
  void StoreSettings(TConfigInfo& settings);

 private:
  QLineEdit* FIPAddressEdit;
  TIntegerEdit* FPortEdit;
  TIntegerEdit* FRackEdit;
  TIntegerEdit* FSlotEdit;
};
