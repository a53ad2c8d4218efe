#include "tests/app/DialogAutoClose.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "ui/NoDave_ConfigDlg.h"

namespace {

constexpr int PollMilliseconds = 20;

void Answer(QWidget* modal, const char* configButton) {
  if (auto* dialog = qobject_cast<TConfigDlg*>(modal)) {
    if (auto* button = dialog->findChild<QPushButton*>(configButton)) button->click();
    return;
  }
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    std::fprintf(stderr, "VN_S7_TEST_AUTOCLOSE box \"%s\": %s\n",
                 box->windowTitle().toUtf8().constData(), box->text().toUtf8().constData());
    std::fflush(stderr);
    QAbstractButton* button = box->defaultButton();
    if (!button && !box->buttons().isEmpty()) button = box->buttons().first();
    if (button) {
      button->click();
    } else {
      box->reject();
    }
    return;
  }
  if (auto* other = qobject_cast<QDialog*>(modal)) other->reject();
}

}  // namespace

void InstallDialogAutoClose() {
  const char* value = std::getenv("VN_S7_TEST_AUTOCLOSE");
  if (!value || !qApp) return;
  const std::string_view answer(value);
  const char* configButton = answer == "ok" ? "OKBtn" : answer == "cancel" ? "CancelBtn" : nullptr;
  if (!configButton) return;
  // Polling, because each modal window runs its own event loop: the timer
  // fires inside whichever of them is running.
  auto* timer = new QTimer(qApp);
  timer->setInterval(PollMilliseconds);
  QObject::connect(timer, &QTimer::timeout, qApp, [configButton] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible()) Answer(modal, configButton);
  });
  timer->start();
}
