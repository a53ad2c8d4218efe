#include "ui/HW_FrameS7Online.h"

#include <QComboBox>
#include <QPushButton>

TS7OnlineFrame::TS7OnlineFrame(QWidget* parent) : TConnectionFrame(parent, true) {
  AddPartnerRows();
  connect(FReachablePartners, &QPushButton::clicked, this, &TS7OnlineFrame::ReachablePartnersClick);
}

void TS7OnlineFrame::InitFrame(TCardServices* card, const TConfigInfo& settings,
                               TCollectSettingsEvent collectSettings) {
  TakeSettings(card, settings, std::move(collectSettings));
  FillPartnerBox(FSettings->RemoteMPI);
}

void TS7OnlineFrame::StoreSettings(TConfigInfo& settings) {
  StoreRemoteMPI(settings);
}

void TS7OnlineFrame::ReachablePartnersClick() {
  ListReachablePartners();
}
