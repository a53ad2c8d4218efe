// The program as users run it, plus the hook that answers its windows
// (VN_S7_TEST_AUTOCLOSE), for the tests that drive the whole program. Built
// only with the tests; the installed program has no such hook.
#include "app/ProgramBody.h"
#include "tests/app/DialogAutoClose.h"

int main(int argc, char* argv[]) {
  return RunProgram(argc, argv, InstallDialogAutoClose);
}
