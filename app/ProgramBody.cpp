#include "ProgramBody.h"

#include "ApplicationError.h"
#include "HWConfiguratorClass.h"
#include "Localization.h"
#include "MessageBox.h"

int RunProgramBody(QWidget* application, const std::string& moduleName,
                   std::exception_ptr startupError) {
  try {
    if (startupError) std::rethrow_exception(startupError);
    THWConfigClass configurator(application);
    configurator.ShowConfig();
    return 0;
  } catch (const ENoS7DriverError& error) {
    ShowMessageBox(error.what(), Tr("Error"), MB_OK | MB_ICONERROR | MB_TASKMODAL);
  } catch (const std::exception& error) {
    ShowApplicationError(&error, moduleName);
  } catch (...) {
    ShowApplicationError(nullptr, moduleName);
  }
  return 1;
}
