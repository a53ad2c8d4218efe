#include "ui/CardResultBox.h"

#include "support/MessageBox.h"

bool ShowCardResult(const TCardResult& result) {
  if (result.Ok()) return true;
  ShowMessageBox(result.Text(), result.Caption, MB_OK | MB_ICONERROR);
  return false;
}
