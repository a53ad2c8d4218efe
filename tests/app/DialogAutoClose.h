#pragma once
// Test hook for running the real program unattended. Only when the
// environment variable VN_S7_TEST_AUTOCLOSE is "ok" or "cancel": every
// modal window that opens is answered as soon as it is shown. The
// configuration dialog gets that button pressed (OKBtn or CancelBtn); a
// message box gets its default button pressed after its caption and text
// are written to standard error as
//   VN_S7_TEST_AUTOCLOSE box "<caption>": <text>
// and any other modal dialog is rejected. Unset, or any other value,
// installs nothing.
void InstallDialogAutoClose();
