// VN_S7_Config_DRV: configures and tests the PLC connection of the suite's S7
// driver. Without arguments it shows the configuration dialog (exit code 0
// after the dialog has closed, 1 when the run ended with an error); with
// arguments it is the command-line tool of CommandLine.h (--help lists it).
#include "app/ProgramBody.h"

int main(int argc, char* argv[]) {
  return RunProgram(argc, argv);
}
