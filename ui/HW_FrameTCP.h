#pragma once
// Connection settings for ISO over TCP.
#include "ui/HW_FrameBase.h"

class QLineEdit;
class QPushButton;
class TFindPlcsWindow;
class TIntegerEdit;
struct TScanRecord;

class TTCPFrame : public TConnectionFrame {
  Q_OBJECT

 public:
  explicit TTCPFrame(QWidget* parent = nullptr);

  void InitFrame(TCardServices* card, const TConfigInfo& settings,
                 TCollectSettingsEvent collectSettings);
  // Writes IPAddress (as typed), IPPort, Rack and Slot (each field's Value).
  void StoreSettings(TConfigInfo& settings);

  // "Find PLCs…": the window that scans the network of the IP address shown.
  void FindPlcsClick();
  // Shows a PLC a search found: its address, port, rack and slot.
  void ShowFoundPlc(const TScanRecord& plc);
  // Shows a rack/slot pair that answered.
  void ShowRackSlot(int rack, int slot);

  QPushButton* FindPlcsButton() const { return FFindPlcsBtn; }

 private:
  QLineEdit* FIPAddressEdit;
  TIntegerEdit* FPortEdit;
  TIntegerEdit* FRackEdit;
  TIntegerEdit* FSlotEdit;
  QPushButton* FFindPlcsBtn;
  // Made on first use; a child window of this frame.
  TFindPlcsWindow* FFindPlcs = nullptr;
};
