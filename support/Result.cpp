#include "support/Result.h"

std::string_view ErrorClassName(TFailure kind) {
  switch (kind) {
    case TFailure::Data:
    case TFailure::DriverSearch:
      return "EVNError";
    case TFailure::List:
      return "EListError";
    case TFailure::Convert:
      return "EConvertError";
    case TFailure::Range:
      return "ERangeError";
    case TFailure::File:
      return "EFileError";
    case TFailure::TreeLevel:
      return "ETreeLevelError";
    case TFailure::NoS7Driver:
      return "ENoS7DriverError";
    case TFailure::UntrustedDriver:
      return "EUntrustedDriverError";
    default:
      return "Exception";
  }
}
