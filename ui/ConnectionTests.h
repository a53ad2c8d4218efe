#pragma once
// "Diagnose" and "Check channels": the tests the dialog offers beside its
// order code, in a row of their own below "Readout Info ", with their
// windows (made on first use, children of the dialog). Each run starts from
// what the dialog shows at the click.
#include <QWidget>
#include <functional>

#include "config/ChannelTreeModel.h"
#include "config/HW_ConfigInfo.h"

class QPushButton;
class TCardServices;
class TChannelCheckWindow;
class TDiagnosisWindow;

class TConnectionTests : public QWidget {
  Q_OBJECT

 public:
  // The values the dialog shows, as "Readout Info " collects them; null
  // while a field refuses its entry (the field has said why).
  using TShownSettings = std::function<const TConfigInfo*()>;
  // The channel lines as the dialog holds them now, edits included.
  using TShownChannels = std::function<TChannelTreeModel()>;
  // Puts a rack/slot pair that answered into the TCP frame.
  using TUseRackSlot = std::function<void(int rack, int slot)>;

  TConnectionTests(QWidget* parent, TCardServices& card, TShownSettings shown,
                   TShownChannels channels, TUseRackSlot useRackSlot);

  QPushButton* DiagnoseButton() const { return FDiagnoseBtn; }
  QPushButton* CheckChannelsButton() const { return FCheckChannelsBtn; }

  void DiagnoseClick();
  void CheckChannelsClick();

 private:
  TCardServices& FCard;
  TShownSettings FShown;
  TShownChannels FChannels;
  TUseRackSlot FUseRackSlot;
  QPushButton* FDiagnoseBtn;
  QPushButton* FCheckChannelsBtn;
  TDiagnosisWindow* FDiagnosis = nullptr;
  TChannelCheckWindow* FChannelCheck = nullptr;
};
