#include "app/ProgramBody.h"

#include <QApplication>
#include <filesystem>
#include <system_error>

#include "app/ApplicationError.h"
#include "app/CommandLine.h"
#include "app/HWConfiguratorClass.h"
#include "plc/CardServices.h"
#include "support/Localization.h"
#include "support/MessageBox.h"
#include "support/VNConfig.h"
#include "support/VNString.h"
#include "ui/CardResultBox.h"
#include "ui/QtMessageBox.h"

namespace {

// The real program file, links resolved: the installed command is a link in
// bin/ to the program in lib/vn-s7-config/, and the catalogues lie beside the
// program, not beside the link.
std::filesystem::path ProgramFile(const char* argv0) {
  std::error_code error;
  auto file = std::filesystem::canonical("/proc/self/exe", error);
  if (!error) return file;
  const char* name = argv0 ? argv0 : "VN_S7_Config_DRV";
  file = std::filesystem::canonical(name, error);
  if (!error) return file;
  return std::filesystem::absolute(name, error);
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

int RunProgramBody(QWidget* application, const std::string& moduleName,
                   std::exception_ptr startupError, const std::string& driverFolder) {
  try {
    if (startupError) std::rethrow_exception(startupError);
    THWConfigClass configurator(application, driverFolder);
    TResult result = configurator.Card().LoadConfig();
    if (result) result = configurator.ShowConfig();
    if (result) return 0;
    // A file that cannot be read or saved ends the run like a raised error.
    ShowApplicationError(result, moduleName);
  } catch (const EDriverSearchError& error) {
    ShowMessageBox(error.what(), FailureCaption(error.Kind()), MB_OK | MB_ICONERROR | MB_TASKMODAL);
  } catch (const std::exception& error) {
    ShowApplicationError(&error, moduleName);
  } catch (...) {
    ShowApplicationError(nullptr, moduleName);
  }
  return 1;
}

int RunProgram(int argc, char* argv[], TApplicationHook afterApplication) {
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

  const std::string moduleName = program.filename().string();
  const auto showDialog = [&](const std::string& driverFolder) {
    QApplication application(argc, argv);
    LoadToolkitTranslation();
    InstallQtMessageBoxes();
    if (afterApplication) afterApplication();
    // There is no main window, so there is no message loop to enter either:
    // it would return at once.
    return RunProgramBody(nullptr, moduleName, startupError, driverFolder);
  };
  if (argc > 1) return RunCommandLine(argc, argv, startupError, showDialog);
  return showDialog(CurrentDriverFolder());
}
