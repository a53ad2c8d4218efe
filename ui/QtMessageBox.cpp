#include "ui/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <iostream>
#include <utility>
#include <vector>

#include "support/MessageBox.h"

namespace {

// Style-flag fields and results of the classic message box API beyond those
// MessageBox.h names.
constexpr unsigned kButtonMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;
constexpr unsigned kDefaultButtonMask = 0xF00;
constexpr unsigned kAbortRetryIgnore = 0x2;
constexpr unsigned kYesNoCancel = 0x3;
constexpr unsigned kRetryCancel = 0x5;
constexpr int kIdAbort = 3;
constexpr int kIdRetry = 4;
constexpr int kIdIgnore = 5;

QMessageBox::Icon IconFor(unsigned flags) {
  switch (flags & kIconMask) {
    case MB_ICONERROR:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONWARNING:
      return QMessageBox::Warning;
    case MB_ICONINFORMATION:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// The buttons in the order the classic box shows them.
std::vector<QMessageBox::StandardButton> ButtonsFor(unsigned flags) {
  switch (flags & kButtonMask) {
    case MB_OKCANCEL:
      return {QMessageBox::Ok, QMessageBox::Cancel};
    case kAbortRetryIgnore:
      return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
    case kYesNoCancel:
      return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case MB_YESNO:
      return {QMessageBox::Yes, QMessageBox::No};
    case kRetryCancel:
      return {QMessageBox::Retry, QMessageBox::Cancel};
    default:
      return {QMessageBox::Ok};
  }
}

int ResultFor(int button) {
  switch (button) {
    case QMessageBox::Ok:
      return IDOK;
    case QMessageBox::Cancel:
      return IDCANCEL;
    case QMessageBox::Abort:
      return kIdAbort;
    case QMessageBox::Retry:
      return kIdRetry;
    case QMessageBox::Ignore:
      return kIdIgnore;
    case QMessageBox::Yes:
      return IDYES;
    case QMessageBox::No:
      return IDNO;
    default:
      return IDCANCEL;
  }
}

int ShowQtMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    std::cerr << caption << ": " << text << '\n';
    return IDOK;
  }
  QMessageBox box(IconFor(flags), QString::fromUtf8(caption),
                  QString::fromUtf8(WithPlainLineBreaks(text)));
  box.setTextFormat(Qt::PlainText);
  // Modal for the whole program, as the configurator has no main window.
  box.setWindowModality(Qt::ApplicationModal);
  const auto buttons = ButtonsFor(flags);
  for (const auto button : buttons) box.addButton(button);
  // MB_DEFBUTTON2 and MB_DEFBUTTON3 choose the second or third button.
  const std::size_t defaultIndex = (flags & kDefaultButtonMask) >> 8;
  box.setDefaultButton(buttons[defaultIndex < buttons.size() ? defaultIndex : 0]);
  // Escape and the close box answer with the last button: Cancel, No, or
  // the only one there is.
  box.setEscapeButton(box.button(buttons.back()));
  box.exec();
  return ResultFor(box.standardButton(box.clickedButton()));
}

}  // namespace

void InstallQtMessageBoxes() {
  SetMessageBoxHandler(ShowQtMessageBox);
}
