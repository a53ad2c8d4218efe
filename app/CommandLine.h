#pragma once
// The program's command line. Without arguments the program shows its
// dialog as always; with arguments it is a tool for scripts and remote
// shells: it shows, changes and checks the S7 driver's configuration file
// and tests the PLC connection, with only the core of the toolkit started
// (no display needed). Only --dir alone still shows the dialog.
#include <exception>
#include <functional>
#include <string>

#include "app/ExitCodes.h"

// Shows the dialog for the S7 driver found in driverFolder; the exit code.
using TDialogRun = std::function<int(const std::string& driverFolder)>;

// Runs what the arguments of argv (argc > 1) ask for and returns the exit
// code. Results go to standard output, messages to standard error, both in
// the user's language. startupError, raised by the start-up before (the
// suite's options), ends every mode that reads the configuration with exit
// code 1; help, version and usage errors come first.
int RunCommandLine(int argc, char* argv[], std::exception_ptr startupError,
                   const TDialogRun& showDialog);
