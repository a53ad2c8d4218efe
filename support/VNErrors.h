#pragma once
// The failures the configurator raises. Each carries the text a user reads in
// the "Anwendungsfehler" box and names its kind, as the box shows both.
#include <stdexcept>
#include <string>

class EVNError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  virtual const char* Kind() const noexcept { return "EVNError"; }
};

// An index outside a list, or a list that ran out where more lines were needed.
class EListError : public EVNError {
 public:
  using EVNError::EVNError;
  const char* Kind() const noexcept override { return "EListError"; }
};

// A text that is not a whole number.
class EConvertError : public EVNError {
 public:
  using EVNError::EVNError;
  const char* Kind() const noexcept override { return "EConvertError"; }
};

// A number outside the range its place allows.
class ERangeError : public EVNError {
 public:
  using EVNError::EVNError;
  const char* Kind() const noexcept override { return "ERangeError"; }
};

// A file that cannot be read or written; the text names the file.
class EFileError : public EVNError {
 public:
  using EVNError::EVNError;
  const char* Kind() const noexcept override { return "EFileError"; }
};

// Channel text whose indentation jumps more than one level.
class ETreeLevelError : public EVNError {
 public:
  using EVNError::EVNError;
  const char* Kind() const noexcept override { return "ETreeLevelError"; }
};
