// VN_S7_Config_DRV: configures and tests the PLC connection of the suite's S7
// driver. No command-line arguments; exit code 0 after the dialog has
// closed, 1 when the run ended with an error.
#include <QApplication>
#include <exception>
#include <filesystem>
#include <system_error>

#include "DialogAutoClose.h"
#include "Localization.h"
#include "ProgramBody.h"
#include "QtMessageBox.h"
#include "VNConfig.h"
#include "VNString.h"

namespace {

std::filesystem::path ProgramFile(const char* argv0) {
  std::error_code error;
  auto file = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return file;
  return std::filesystem::absolute(argv0 ? argv0 : "VN_S7_Config_DRV", error);
}

// The string library is held for the whole run and released after
// everything else.
struct TStringLibraryScope {
  TStringLibraryScope() { LoadStringLibrary(); }
  TStringLibraryScope(const TStringLibraryScope&) = delete;
  TStringLibraryScope& operator=(const TStringLibraryScope&) = delete;
  ~TStringLibraryScope() { FreeStringLibrary(); }
};

}  // namespace

int main(int argc, char* argv[]) {
  const std::filesystem::path program = ProgramFile(argc > 0 ? argv[0] : nullptr);

  // The start-up order the suite's tools share: translation, options, texts.
  SetupLocalization((program.parent_path() / "locale").string());
  // A broken option cannot be shown before the application object exists;
  // it ends the run like any other error, once a box can say so.
  std::exception_ptr startupError;
  try {
    ReadOptions();
  } catch (...) {
    startupError = std::current_exception();
  }
  TStringLibraryScope stringLibrary;

  QApplication application(argc, argv);
  InstallQtMessageBoxes();
  InstallDialogAutoClose();  // test runs only: VN_S7_TEST_AUTOCLOSE
  // There is no main window, so there is no message loop to enter either:
  // it would return at once.
  return RunProgramBody(nullptr, program.filename().string(), startupError);
}
