#pragma once
// What a card operation reports. The card shows nothing itself: the dialog
// turns a failure into a message box, the command line into lines on
// standard error and its exit code. Header only, so the card's interface
// carries it without linking the card.
#include <string>
#include <utility>

struct TCardResult {
  bool Failed = false;
  // The S7 library's code; 0 for the card's own refusals and file errors.
  int Code = 0;
  // The caption of the dialog's box.
  std::string Caption;
  // The first line(s) the user reads, as the failure has always been worded.
  std::string Message;
  // A file failure: the error class ("EFileError") the program's error box
  // names. Empty for the PLC operations.
  std::string ErrorKind;
  // Why it failed (address, device, system or S7 error) and the step of the
  // attempt that failed; empty where the library gives no detail.
  std::string Cause;
  std::string Step;

  bool Ok() const { return !Failed; }
  explicit operator bool() const { return Ok(); }
  // What a box or the command line shows: the message, then the cause on a
  // line of its own.
  std::string Text() const { return Cause.empty() ? Message : Message + "\n" + Cause; }

  static TCardResult Failure(std::string caption, std::string message, int code = 0) {
    TCardResult result;
    result.Failed = true;
    result.Code = code;
    result.Caption = std::move(caption);
    result.Message = std::move(message);
    return result;
  }
};

// A card result with what the operation read; Value is empty on failure.
template <class T>
struct TCardRead {
  TCardResult Result;
  T Value{};
};
