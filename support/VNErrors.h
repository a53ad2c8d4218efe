#pragma once
// The failures the data layer raises while it reads or writes the
// configuration file. Each carries the text a user reads in the
// "Anwendungsfehler" box and its kind, from which the box names its class
// (ErrorClassName); the card returns them as results.
#include <stdexcept>
#include <string>

#include "support/Result.h"

class EVNError : public std::runtime_error {
 public:
  explicit EVNError(const std::string& message, TFailure kind = TFailure::Data)
      : std::runtime_error(message), FKind(kind) {}
  TFailure Kind() const noexcept { return FKind; }
  // The failure as a result, the error's text its message.
  TResult AsResult() const { return TResult::Failure(FKind, what()); }

 private:
  TFailure FKind;
};

// An index outside a list, or a list that ran out where more lines were needed.
class EListError : public EVNError {
 public:
  explicit EListError(const std::string& message) : EVNError(message, TFailure::List) {}
};

// A text that is not a whole number.
class EConvertError : public EVNError {
 public:
  explicit EConvertError(const std::string& message) : EVNError(message, TFailure::Convert) {}
};

// A number outside the range its place allows.
class ERangeError : public EVNError {
 public:
  explicit ERangeError(const std::string& message) : EVNError(message, TFailure::Range) {}
};

// A file that cannot be read or written; the text names the file.
class EFileError : public EVNError {
 public:
  explicit EFileError(const std::string& message) : EVNError(message, TFailure::File) {}
};

// Channel text whose indentation jumps more than one level.
class ETreeLevelError : public EVNError {
 public:
  explicit ETreeLevelError(const std::string& message) : EVNError(message, TFailure::TreeLevel) {}
};
