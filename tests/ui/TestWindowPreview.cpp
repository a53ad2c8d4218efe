// Shows one window of the dialog's tests at work, over a real card and the
// real dialog (not shown itself), for screenshots: "find" searches the
// network of the frame's IP address, "diagnose" diagnoses the connection,
// "check" checks the channels. Run in a folder whose drv/libs7drv.CFG points
// at a PLC. Ends when the window is closed.
#include <QApplication>
#include <QPushButton>
#include <filesystem>
#include <string>

#include "plc/Card.h"
#include "support/Localization.h"
#include "ui/NoDave_ConfigDlg.h"

int main(int argc, char** argv) {
  SetupLocalization(VN_BUILD_DIR "/bin/locale");
  QApplication application(argc, argv);
  application.setQuitOnLastWindowClosed(true);
  TCard card(0, (std::filesystem::current_path() / "drv" / "libs7drv.so").string());
  card.LoadConfig();
  TConfigDlg dialog(nullptr, card.Config(), &card);
  const std::string which = argc > 1 ? argv[1] : "find";
  const char* button = which == "find"       ? "FindPlcsBtn"
                       : which == "diagnose" ? "DiagnoseBtn"
                                             : "CheckChannelsBtn";
  dialog.findChild<QPushButton*>(button)->click();
  if (which == "find") dialog.findChild<QPushButton*>("SearchBtn")->click();
  return application.exec();
}
