#include "ui/WorkWindow.h"

#include <QCloseEvent>
#include <QPushButton>
#include <utility>

#include "ui/DialogTranslation.h"

TWorkWindow::TWorkWindow(QWidget* parent, const char* objectName, const char* title)
    : QDialog(parent) {
  setObjectName(QString::fromLatin1(objectName));
  setWindowTitle(QString::fromUtf8(title));
  // OK or Cancel of the dialog it belongs to ends its work as closing does.
  if (auto* owner = qobject_cast<QDialog*>(parent ? parent->window() : nullptr))
    connect(owner, &QDialog::finished, this, &QWidget::close);
}

TWorkWindow::~TWorkWindow() {
  FinishWork();
}

void TWorkWindow::ShowInFront() {
  show();
  raise();
  activateWindow();
}

void TWorkWindow::StartWork(TRunWork work) {
  const int run = ++FRun;
  FWork.Start([run, work = std::move(work)](const std::atomic<bool>& stop) { work(run, stop); });
}

void TWorkWindow::closeEvent(QCloseEvent* event) {
  // Work nobody sees any more ends; what it still reports is not shown.
  StopWork();
  ++FRun;
  QDialog::closeEvent(event);
}

void TWorkWindow::TranslateWindow() {
  TranslateComponent(this);
  for (QPushButton* button : findChildren<QPushButton*>())
    button->setAccessibleName(button->text().remove('&'));
}

QPushButton* NewWindowButton(const char* text, const char* objectName, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(QString::fromLatin1(objectName));
  button->setAutoDefault(false);
  return button;
}
