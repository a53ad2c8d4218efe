#pragma once
// What the windows of the dialog's tests share: a window beside the dialog
// (which goes on answering) that owns its long work. Closing it asks the
// work to stop and drops what the work still reports; the window goes only
// after the work's thread ended.
#include <QDialog>
#include <atomic>
#include <functional>

#include "ui/BackgroundWork.h"

class QPushButton;

class TWorkWindow : public QDialog {
  Q_OBJECT

 public:
  // Shows the window in front of the dialog, with the focus.
  void ShowInFront();

 protected:
  TWorkWindow(QWidget* parent, const char* objectName, const char* title);
  // Derived windows call FinishWork first in their destructors, so that
  // nothing of theirs goes while the work runs.
  ~TWorkWindow() override;

  // Runs work on its own thread as the window's current run (the previous
  // one is asked to stop, and what it still reports is not shown). run
  // numbers what it reports; stop is its stop flag.
  using TRunWork = std::function<void(int run, const std::atomic<bool>& stop)>;
  void StartWork(TRunWork work);
  // Whether a report of run is to be shown: it belongs to the current run
  // of a window that was not closed since.
  bool IsCurrent(int run) const { return run == FRun; }
  void StopWork() { FWork.RequestStop(); }
  // Translates the window as the dialog translates itself (its texts as
  // they stand), and names each button for assistive tools by its caption.
  void TranslateWindow();
  void FinishWork() { FWork.Finish(); }

  void closeEvent(QCloseEvent* event) override;

 private:
  int FRun = 0;
  TBackgroundWork FWork;
};

// A push button of a work window: named, never the window's default.
QPushButton* NewWindowButton(const char* text, const char* objectName, QWidget* parent);
