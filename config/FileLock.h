#pragma once
// Writers of a configuration file take turns: every read-modify-write holds
// a POSIX write lock on the file itself from reading to writing. Only who
// may write the file can take it (the lock needs the file open for
// writing), and flock, which any reader can take, does not touch it. (A
// reader's POSIX read lock still delays a writer: POSIX has no lock that
// readers cannot hold against writers.) The
// file is reached once, through its trusted place (FileStore.h), and every
// writer that reaches it, whichever folder, link or hard link it comes
// through, locks the same file. A save that renames a new file into the
// name leaves a waiting writer with the old one: it then sees the name lead
// elsewhere and locks the new file instead. A missing file is created empty
// to be locked, and removed again when nothing was written into it, so no
// lock file is ever left behind. The lock dies with its process (an open
// file description lock), so a killed writer never blocks the next one.
#include <chrono>
#include <string>
#include <string_view>

#include "support/FileDescriptor.h"
#include "support/TrustedPath.h"

// How long a writer waits for the one before it.
inline constexpr std::chrono::seconds kFileLockWait{10};

class TFileLock {
 public:
  // Waits at most wait for the writers' lock of the configuration file
  // path. EFileError naming path when the time ran out, the file cannot be
  // opened for writing or is no regular file, or its place is not trusted
  // (FilePlace).
  explicit TFileLock(const std::string& path, std::chrono::milliseconds wait = kFileLockWait);
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;
  // Releases the lock; a file it created and nobody wrote is removed.
  ~TFileLock();

  // Whether the file was missing (and is there only for the lock): its
  // bytes then stand for no file at all.
  bool Created() const { return FCreated; }
  // The file's whole content now (ReadOpenFile's errors).
  std::string Bytes() const;
  // Makes bytes the file's content, as ReplaceFileContent does.
  void Replace(std::string_view bytes);

 private:
  std::string FPath;
  TTrustedPlace FPlace;
  TFileDescriptor FFile;
  bool FCreated = false;
  bool FWritten = false;

  // Opens the file at its place for writing, creating it when missing;
  // false when its name no longer leads there and the walk must be redone.
  bool Open();
};
