#pragma once
// The program body, run once the application object exists, and the whole
// run around it that main() hands over to.
#include <exception>
#include <string>

#include "app/DriverDiscovery.h"

class QWidget;

// Creates the configurator, shows the dialog once and frees the configurator
// again. Returns the exit code: 0 after the dialog has closed; 1 when there
// is no S7 driver (a box names the folder searched), when the driver folder
// is not trusted (a box names the path, the reason and the fix), or when an
// error ends the run (the "Anwendungsfehler" box, naming moduleName). startupError, raised
// before the application object existed, ends the run the same way before
// anything else happens.
// driverFolder: where the S7 driver is searched (<current folder>/drv unless
// the command line names another).
int RunProgramBody(QWidget* application, const std::string& moduleName,
                   std::exception_ptr startupError = nullptr,
                   const std::string& driverFolder = CurrentDriverFolder());

// A hook run once the application object exists, before anything is shown.
using TApplicationHook = void (*)();

// The whole run from the process's arguments to its exit code: translation
// (the catalogue in locale/ beside the real program file, also when started
// through a link), the suite's options, the string library; then, without
// arguments, the application object and the body, with arguments the
// command line (CommandLine.h), which starts the dialog only for --dir
// alone. main() is this call alone; a test build passes afterApplication to
// install what drives the windows.
int RunProgram(int argc, char* argv[], TApplicationHook afterApplication = nullptr);
