#pragma once
// Connection settings for the S7ONLINE access point: only the partner.
#include "ui/HW_FrameBase.h"

class TS7OnlineFrame : public TConnectionFrame {
  Q_OBJECT

 public:
  explicit TS7OnlineFrame(QWidget* parent = nullptr);

  void InitFrame(TCardServices* card, const TConfigInfo& settings,
                 TCollectSettingsEvent collectSettings);
  // Writes RemoteMPI (kept when no partner is selected).
  void StoreSettings(TConfigInfo& settings);
  // The "Reachable participants" button.
  void ReachablePartnersClick();
};
