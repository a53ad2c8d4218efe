// POSIX side of the writer lock: flock on the folder's descriptor, or on the
// file's where the folder cannot be used.
#include "FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <thread>
#include <utility>

#include "FileStore.h"
#include "VNErrors.h"

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

// 0 once fd holds the exclusive lock; EWOULDBLOCK when the deadline passed
// first; another errno when fd cannot be locked at all.
int LockBefore(int fd, TClock::time_point deadline) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return errno;
    if (TClock::now() >= deadline) return EWOULDBLOCK;
    std::this_thread::sleep_for(kRetryInterval);
  }
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The file itself: a save that renames replaces it, so the lock only counts
// when the name still leads to the locked file once it is held.
int LockFileItself(const std::string& target, const std::string& path,
                   std::chrono::milliseconds wait, TClock::time_point deadline) {
  for (;;) {
    const int fd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) RaiseFileError("lock", path, errno);
    const int result = LockBefore(fd, deadline);
    struct stat locked {};
    struct stat named {};
    if (result == 0 && ::fstat(fd, &locked) == 0 && ::stat(target.c_str(), &named) == 0 &&
        SameFile(locked, named))
      return fd;
    ::close(fd);
    if (result == EWOULDBLOCK) RaiseBusy(path, wait);
    if (result != 0) RaiseFileError("lock", path, result);
  }
}

}  // namespace

TFileLock::TFileLock(const std::string& path, std::chrono::milliseconds wait) {
  const auto deadline = TClock::now() + wait;
  const std::string target = FinalFileName(path);
  const std::filesystem::path folder = std::filesystem::path(target).parent_path();
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    const int result = LockBefore(fd, deadline);
    if (result == 0) {
      FFd = fd;
      return;
    }
    ::close(fd);
    if (result == EWOULDBLOCK) RaiseBusy(path, wait);
  }
  // A folder that cannot be read (or a file system that cannot lock it).
  FFd = LockFileItself(target, path, wait, deadline);
}

TFileLock::TFileLock(TFileLock&& other) noexcept : FFd(std::exchange(other.FFd, -1)) {}

TFileLock& TFileLock::operator=(TFileLock&& other) noexcept {
  if (this != &other) {
    if (FFd >= 0) ::close(FFd);
    FFd = std::exchange(other.FFd, -1);
  }
  return *this;
}

TFileLock::~TFileLock() {
  if (FFd >= 0) ::close(FFd);  // closing releases the lock
}
