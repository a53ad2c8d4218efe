#pragma once
// The window "Diagnosis": the diagnosis of --diagnose on the values the
// dialog shows, each step listed as it ends, then the cause and what to
// try; a rack/slot pair the search found can be taken into the frame.
#include <functional>

#include "config/HW_ConfigInfo.h"
#include "plc/Diagnosis.h"
#include "ui/WorkWindow.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class TCardServices;

class TDiagnosisWindow : public TWorkWindow {
  Q_OBJECT

 public:
  TDiagnosisWindow(QWidget* parent, TCardServices& card);
  ~TDiagnosisWindow() override;

  // Starts the diagnosis of settings afresh (a running one is stopped).
  void Start(const TConfigInfo& settings);

  // Called with the pair "Use rack R, slot S" takes; the window closes
  // after it.
  std::function<void(int rack, int slot)> OnUsePair;

  void UsePairClick();

 signals:
  // From the diagnosis's thread; run tells apart the runs of this window.
  void StepEnded(int run, const TDiagnosisStep& step);
  void Ended(int run, const TDiagnosis& diagnosis);

 private:
  void ShowStep(int run, const TDiagnosisStep& step);
  void ShowEnded(int run, const TDiagnosis& diagnosis);

  TCardServices& FCard;
  QTreeWidget* FSteps;
  QProgressBar* FBusy;
  QLabel* FCause;
  QLabel* FAdvice;
  QPushButton* FUsePairBtn;
  QPushButton* FCloseBtn;
  TDiagnosis::TRackSlot FPair;
};
