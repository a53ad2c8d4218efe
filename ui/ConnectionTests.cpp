#include "ui/ConnectionTests.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <utility>

#include "ui/ChannelCheckWindow.h"
#include "ui/DiagnosisWindow.h"

TConnectionTests::TConnectionTests(QWidget* parent, TCardServices& card, TShownSettings shown,
                                   TShownChannels channels, TUseRackSlot useRackSlot)
    : QWidget(parent),
      FCard(card),
      FShown(std::move(shown)),
      FChannels(std::move(channels)),
      FUseRackSlot(std::move(useRackSlot)),
      FDiagnoseBtn(new QPushButton(QStringLiteral("&Diagnose"), this)),
      FCheckChannelsBtn(new QPushButton(QStringLiteral("&Check channels"), this)) {
  FDiagnoseBtn->setObjectName(QStringLiteral("DiagnoseBtn"));
  FCheckChannelsBtn->setObjectName(QStringLiteral("CheckChannelsBtn"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(FDiagnoseBtn);
  row->addWidget(FCheckChannelsBtn);
  row->addStretch(1);
  connect(FDiagnoseBtn, &QPushButton::clicked, this, &TConnectionTests::DiagnoseClick);
  connect(FCheckChannelsBtn, &QPushButton::clicked, this, &TConnectionTests::CheckChannelsClick);
}

void TConnectionTests::DiagnoseClick() {
  const TConfigInfo* settings = FShown();
  if (!settings) return;
  if (!FDiagnosis) {
    FDiagnosis = new TDiagnosisWindow(window(), FCard);
    FDiagnosis->OnUsePair = FUseRackSlot;
  }
  FDiagnosis->Start(*settings);
  FDiagnosis->ShowInFront();
}

void TConnectionTests::CheckChannelsClick() {
  const TConfigInfo* settings = FShown();
  if (!settings) return;
  if (!FChannelCheck) FChannelCheck = new TChannelCheckWindow(window(), FCard);
  FChannelCheck->Start(*settings, FChannels());
  FChannelCheck->ShowInFront();
}
