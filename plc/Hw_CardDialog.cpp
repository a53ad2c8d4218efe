// The card's side of the configuration dialog: showing it, visiting its
// controls with the configurator's callback, taking its results after OK.
#include <QWidget>
#include <memory>

#include "Hw_Card.h"
#include "NoDave_ConfigDlg.h"

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
