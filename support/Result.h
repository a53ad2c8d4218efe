#pragma once
// What an operation above the S7 library reports: nothing for success, or
// the kind of failure, the library's code where there is one, the words the
// user reads, why it failed and the step that failed. The layers return it
// instead of raising; the front ends decide from the kind how to show it
// (caption, exit code). Qt-free, so every layer can carry it.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

enum class TFailure : std::uint8_t {
  None,
  // The S7 library failed; LibraryCode is its result code (0 when it
  // recorded no code of its own).
  Library,
  // The program's own refusal: a port, socket or setting it cannot use, a
  // file it keeps, a run that found nothing to talk to.
  Refused,
  // The user stopped the operation.
  Stopped,
  // The operation ran out of its time.
  TimedOut,
  // The operating system refused a resource; LibraryCode is errno.
  System,
  // The command line cannot be used as given (the help names the options).
  Usage,
  // A value given on the command line that its place cannot take.
  Value,
  // The data layer's errors, as raised while reading or writing the
  // configuration file and its channel block.
  Data,
  List,
  Convert,
  Range,
  File,
  TreeLevel,
  // The driver folder yields no driver to configure.
  DriverSearch,
  NoS7Driver,
  UntrustedDriver,
};

struct TResult {
  TFailure Kind = TFailure::None;
  // The S7 library's code (or errno for System); 0 for every other failure.
  int LibraryCode = 0;
  // The first line(s) the user reads, as the failure has always been worded.
  std::string Message;
  // Why it failed (address, device, system or S7 error) and the step of the
  // attempt that failed; empty where nothing more is known.
  std::string Cause;
  std::string Step;

  bool Ok() const { return Kind == TFailure::None; }
  explicit operator bool() const { return Ok(); }
  // What a box or the command line shows: the message, then the cause on a
  // line of its own.
  std::string Text() const { return Cause.empty() ? Message : Message + "\n" + Cause; }

  static TResult Failure(TFailure kind, std::string message, int libraryCode = 0) {
    TResult result;
    result.Kind = kind;
    result.LibraryCode = libraryCode;
    result.Message = std::move(message);
    return result;
  }
};

// A result with what the operation produced; Value is empty on failure.
template <class T>
struct TResultOr {
  TResult Result;
  T Value{};

  static TResultOr Failed(TResult result) { return {std::move(result), T{}}; }
};

// The class the program's error box names for a failure of this kind
// ("EListError", "Exception" for a kind no error class stands for).
std::string_view ErrorClassName(TFailure kind);
