#pragma once
// Writers of a configuration file take turns: every read-modify-write holds
// an exclusive advisory lock (flock) for its whole duration. The lock sits on
// the folder holding the file (links followed), which the atomic rename of a
// save never replaces; where that folder cannot be opened or locked, on the
// file itself. Readers take none: the rename keeps every read whole. The
// lock dies with its process, so a killed writer never blocks the next one.
#include <chrono>
#include <string>

// How long a writer waits for the one before it.
inline constexpr std::chrono::seconds kFileLockWait{10};

class TFileLock {
 public:
  // Waits at most wait for the writer lock of the configuration file path;
  // EFileError naming path when the time ran out or nothing could be locked.
  explicit TFileLock(const std::string& path, std::chrono::milliseconds wait = kFileLockWait);
  TFileLock(TFileLock&& other) noexcept;
  TFileLock& operator=(TFileLock&& other) noexcept;
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;
  ~TFileLock();

 private:
  int FFd = -1;
};
