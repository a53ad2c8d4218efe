#pragma once
// The exit codes of every mode of the command line, apart from the command
// line itself so that each mode reports them without depending on it.
enum : int {
  kExitSuccess = 0,
  // The operation failed: PLC, file or channel errors.
  kExitFailure = 1,
  // The command line cannot be used, or a value was refused.
  kExitUsage = 2,
};
