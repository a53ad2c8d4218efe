// The card's side of the configuration dialog: showing it, visiting its
// controls with the configurator's callback, taking its results after OK.
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "Hw_Card.h"
#include "NoDave_ConfigDlg.h"

namespace {

// Test hook for driving the real program from outside: when the environment
// variable VN_S7_TEST_AUTOCLOSE is "ok" or "cancel", the dialog presses that
// button by itself as soon as its modal run has started (after the control
// walk). Unset, or any other value, changes nothing.
void ScheduleTestAutoClose(TConfigDlg& dialog) {
  const char* value = std::getenv("VN_S7_TEST_AUTOCLOSE");
  if (!value) return;
  const std::string_view answer(value);
  const char* button = answer == "ok" ? "OKBtn" : answer == "cancel" ? "CancelBtn" : nullptr;
  if (!button) return;
  QTimer::singleShot(0, &dialog, [&dialog, button] {
    if (auto* target = dialog.findChild<QPushButton*>(button)) target->click();
  });
}

}  // namespace

void TCard::ShowConfigDialog(QWidget* application, TControlCallback callback) {
  auto dialog = std::make_unique<TConfigDlg>(application, *FConfig, this);
  // Whatever happens below, the dialog's traces go with it.
  struct TDialogScope {
    TCard* Card;
    ~TDialogScope() {
      Card->FDialog = nullptr;
      Card->FControlCallback = nullptr;
      Card->FSavedHandler = nullptr;
    }
  } scope{this};

  FControlCallback = callback;
  FSavedHandler = dialog->OnShow;
  FDialog = dialog.get();
  // The hook rides on the dialog's show: it runs before the dialog is first
  // painted, so the walk has finished before the user can use any page.
  dialog->OnShow = [this](QObject* sender) { DialogHook(sender); };
  ScheduleTestAutoClose(*dialog);

  if (dialog->exec() == QDialog::Accepted) {
    TConfigDlg& accepted = *dialog;
    TakeDialogResults([&accepted](TConfigInfo& settings) { accepted.CollectSettings(settings); },
                      accepted.FChannelLines);
  }
}

void TCard::DialogHook(QObject* sender) {
  if (FSavedHandler) FSavedHandler(sender);
  if (FControlCallback && FDialog) WalkControls(FDialog);
}

void TCard::WalkControls(QObject* component) {
  if (!component || !FControlCallback) return;
  // Only controls: objects that are no widgets (actions, layouts) and
  // widgets that are windows of their own (popup menus, file dialogs) are
  // skipped together with what they own.
  const QObjectList children = component->children();
  for (QObject* child : children) {
    auto* control = qobject_cast<QWidget*>(child);
    if (!control || control->isWindow()) continue;
    FControlCallback(control);
    WalkControls(control);
  }
}
