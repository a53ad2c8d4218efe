#include "ui/CardResultBox.h"

#include "support/MessageBox.h"
#include "support/Translation.h"

std::string FailureCaption(TFailure kind) {
  switch (kind) {
    case TFailure::Library:
    case TFailure::Data:
    case TFailure::List:
    case TFailure::Convert:
    case TFailure::Range:
    case TFailure::TreeLevel:
      return "Fehler";
    default:
      return Tr("Error");
  }
}

bool ShowCardResult(const TResult& result) {
  if (result.Ok()) return true;
  ShowMessageBox(result.Text(), FailureCaption(result.Kind), MB_OK | MB_ICONERROR);
  return false;
}
