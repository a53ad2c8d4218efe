// VN_S7_Config_DRV: configures and tests the PLC connection of the suite's S7
// driver. Exit code 0 after the dialog has closed, 1 when the run ended with
// an error.
#include "ProgramBody.h"

int main(int argc, char* argv[]) {
  return RunProgram(argc, argv);
}
