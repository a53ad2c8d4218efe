#pragma once
// The program body, run once the application object exists.
#include <exception>
#include <string>

class QWidget;

// Creates the configurator, shows the dialog once and frees the configurator
// again. Returns the exit code: 0 after the dialog has closed; 1 when there
// is no S7 driver (a box names the folder searched) or when an error ends the
// run (the "Anwendungsfehler" box, naming moduleName). startupError, raised
// before the application object existed, ends the run the same way before
// anything else happens.
int RunProgramBody(QWidget* application, const std::string& moduleName,
                   std::exception_ptr startupError = nullptr);
