#pragma once
// The window "Channel check": every channel of the dialog's channel lines
// read from the PLC with the values the dialog shows, as --verify does: the
// summary and the refused runs as --verify prints them.
#include <QStringList>
#include <optional>
#include <string>

#include "config/ChannelTreeModel.h"
#include "config/HW_ConfigInfo.h"
#include "support/TextCodec.h"
#include "ui/WorkWindow.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class TCardServices;

class TChannelCheckWindow : public TWorkWindow {
  Q_OBJECT

 public:
  TChannelCheckWindow(QWidget* parent, TCardServices& card);
  ~TChannelCheckWindow() override;

  // Starts the check of channels with settings afresh; the refusals name
  // the card's file and its lines (the block's place in it, its encoding).
  void Start(const TConfigInfo& settings, TChannelTreeModel channels);

 signals:
  // From the check's thread: the summary (or the failure) and the lines.
  void Ended(int run, const QString& summary, const QStringList& refusals);

 private:
  void ShowEnded(int run, const QString& summary, const QStringList& refusals);

  TCardServices& FCard;
  QLabel* FSummary;
  QProgressBar* FBusy;
  QListWidget* FRefusals;
  QPushButton* FCloseBtn;
};
