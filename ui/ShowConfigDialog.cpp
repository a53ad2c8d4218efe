// The card's side of the configuration dialog: showing it, visiting its
// controls with the configurator's callback, taking its results after OK.
#include "ui/ShowConfigDialog.h"

#include <QWidget>
#include <memory>

#include "plc/CardServices.h"
#include "ui/NoDave_ConfigDlg.h"

namespace {

// Hands every control of the dialog to the configurator's callback once the
// dialog is shown, after the dialog's own show handler.
class TControlWalk {
 public:
  TControlWalk(TConfigDlg& dialog, TControlCallback callback)
      : FDialog(dialog), FControlCallback(callback), FSavedHandler(dialog.OnShow) {}

  void DialogHook(QObject* sender) {
    if (FSavedHandler) FSavedHandler(sender);
    if (FControlCallback) WalkControls(&FDialog);
  }

 private:
  void WalkControls(QObject* component) {
    if (!component) return;
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

  TConfigDlg& FDialog;
  TControlCallback FControlCallback;
  std::function<void(QObject*)> FSavedHandler;
};

}  // namespace

TResult ShowConfigDialog(QWidget* application, TCardServices& card, TControlCallback callback) {
  auto dialog = std::make_unique<TConfigDlg>(application, card.Settings(), &card);
  TControlWalk walk(*dialog, callback);
  // The hook rides on the dialog's show: it runs before the dialog is first
  // painted, so the walk has finished before the user can use any page.
  dialog->OnShow = [&walk](QObject* sender) { walk.DialogHook(sender); };

  // OK has the card take the dialog's results and save them before it closes
  // the dialog (TConfigDlg::OKBtnClick).
  if (dialog->exec() != QDialog::Accepted) return {};
  return dialog->SaveResult();
}
