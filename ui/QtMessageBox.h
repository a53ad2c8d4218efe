#pragma once
// The real message boxes behind ShowMessageBox: a QMessageBox with the
// caption, text (UTF-8), icon and buttons the style flags ask for.

// Installs the Qt message box as ShowMessageBox's handler. Needs the
// application object; a box asked for without one goes to standard error
// and is answered with IDOK.
void InstallQtMessageBoxes();
