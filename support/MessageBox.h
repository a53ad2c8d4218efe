#pragma once
// The one way the configurator shows a message box. Tests replace the handler
// to record caption, text and style without blocking.
#include <functional>
#include <string>
#include <string_view>

// Style flags and results, with the values of the classic message box API.
enum : unsigned {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_YESNO = 0x4,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_TASKMODAL = 0x2000,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// text and caption are UTF-8; returns the button pressed (IDOK, ...).
using TMessageBoxHandler =
    std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags);

// The suite's texts break lines with CR LF, and some with LF CR: text with
// one LF per pair, and for a lone CR too, as a box or a terminal shows it.
std::string WithPlainLineBreaks(std::string_view text);

// Installs a handler and returns the previous one. Without a handler the box
// is written to standard error and answered with IDOK.
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);
