// POSIX side of the writers' lock: an open file description lock (fcntl
// F_OFD_SETLK), a POSIX write lock that belongs to the open file rather
// than the process, so that no other descriptor of the file closed in
// between can drop it; it also conflicts with the process-wide POSIX locks
// of other programs.
#include "config/FileLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>

#include "config/FileStore.h"
#include "support/VNErrors.h"

namespace {

using TClock = std::chrono::steady_clock;

// How often a waiting writer tries again: short against the wait, long
// enough not to busy the machine.
constexpr std::chrono::milliseconds kRetryInterval{20};

[[noreturn]] void RaiseBusy(const std::string& path, std::chrono::milliseconds wait) {
  throw EFileError("Cannot write file \"" + path +
                   "\": another program is writing it and did not finish within " +
                   std::to_string(std::chrono::duration_cast<std::chrono::seconds>(wait).count()) +
                   " seconds; nothing was written");
}

[[noreturn]] void RaiseNotRegular(const std::string& path) {
  throw EFileError("Cannot write file \"" + path + "\": it is not a regular file");
}

// 0 once fd holds the write lock on the whole file; EWOULDBLOCK when the
// deadline passed first; another errno when fd cannot be locked at all.
int LockBefore(int fd, TClock::time_point deadline) {
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  for (;;) {
    if (::fcntl(fd, F_OFD_SETLK, &whole) == 0) return 0;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EACCES) return errno;
    if (TClock::now() >= deadline) return EWOULDBLOCK;
    std::this_thread::sleep_for(kRetryInterval);
  }
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the name at place still leads to the file open as fd.
bool StillNamed(const TTrustedPlace& place, int fd) {
  struct stat named {};
  struct stat opened {};
  return ::fstatat(place.Folder.Get(), place.Name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         ::fstat(fd, &opened) == 0 && SameFile(named, opened);
}

}  // namespace

TFileLock::TFileLock(const std::string& path, std::chrono::milliseconds wait) : FPath(path) {
  const auto deadline = TClock::now() + wait;
  for (;;) {
    auto place = FilePlace(path);
    if (!place) RaiseFileError("create", path, ENOENT);
    FPlace = std::move(*place);
    if (Open()) {
      const int result = LockBefore(FFile.Get(), deadline);
      if (result == EWOULDBLOCK) RaiseBusy(path, wait);
      if (result != 0) RaiseFileError("lock", path, result);
      if (StillNamed(FPlace, FFile.Get())) return;
      // A save renamed a new file into the name while this one waited.
      FFile.Reset();
    }
    if (TClock::now() >= deadline) RaiseBusy(path, wait);
  }
}

bool TFileLock::Open() {
  FCreated = false;
  const int folder = FPlace.Folder.Get();
  const char* name = FPlace.Name.c_str();
  // Only a regular file is opened: opening a device can have effects of its own.
  struct stat status {};
  if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(status.st_mode) &&
      !S_ISLNK(status.st_mode))
    RaiseNotRegular(FPath);
  // O_NOFOLLOW: a link that appeared since the walk sends it round again.
  int fd = ::openat(folder, name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    fd = ::openat(folder, name, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) return false;
    FCreated = fd >= 0;
  }
  if (fd < 0) {
    if (errno == ELOOP || errno == ENOENT) return false;
    RaiseFileError("write", FPath, errno);
  }
  FFile = TFileDescriptor(fd);
  if (::fstat(fd, &status) != 0) RaiseFileError("write", FPath, errno);
  if (!S_ISREG(status.st_mode)) RaiseNotRegular(FPath);
  return true;
}

TFileLock::~TFileLock() {
  // Still held: nobody can start writing the empty file before it is gone.
  struct stat status {};
  if (FCreated && !FWritten && ::fstat(FFile.Get(), &status) == 0 && status.st_size == 0 &&
      StillNamed(FPlace, FFile.Get()))
    ::unlinkat(FPlace.Folder.Get(), FPlace.Name.c_str(), 0);
}  // closing the file releases the lock

std::string TFileLock::Bytes() const {
  return ReadOpenFile(FFile.Get(), FPath, kMaxConfigFileSize);
}

void TFileLock::Replace(std::string_view bytes) {
  ReplaceFileContent(FPlace, FFile.Get(), FPath, bytes);
  FWritten = true;
}
