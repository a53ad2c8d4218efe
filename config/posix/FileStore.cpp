// POSIX side of the configuration file: descriptors, lstat/readlink to
// follow links by hand, fchown/fchmod to keep the file's identity.
#include "FileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

#include "VNErrors.h"

namespace {

namespace fs = std::filesystem;

// Temporary files carry the program's name and process id, so that one
// left behind by a killed save says what it is and whose save it was.
constexpr const char* kSaveTag = ".VN_S7_Config_DRV-save-pid";

[[noreturn]] void RaiseNotRegular(const std::string& path) {
  throw EFileError("Cannot write file \"" + path + "\": it is not a regular file");
}

// Closes the descriptor it holds when it goes out of scope.
class TFd {
 public:
  explicit TFd(int fd = -1) : FFd(fd) {}
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() {
    if (FFd >= 0) ::close(FFd);
  }
  int Get() const { return FFd; }
  // Closes now, so that a late write error (reported by close) is seen.
  bool Close() { return ::close(std::exchange(FFd, -1)) == 0; }

 private:
  int FFd;
};

// A temporary file that is removed unless Keep was called.
class TTempFile {
 public:
  TTempFile(std::string path, int fd) : FPath(std::move(path)), FFd(fd) {}
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  ~TTempFile() {
    if (FFd.Get() >= 0) FFd.Close();
    if (!FKept) ::unlink(FPath.c_str());
  }
  const std::string& Path() const { return FPath; }
  int Fd() const { return FFd.Get(); }
  bool Close() { return FFd.Close(); }
  void Keep() { FKept = true; }

 private:
  std::string FPath;
  TFd FFd;
  bool FKept = false;
};

// Writes all of data to fd from its current offset, resuming after short
// writes and interruptions.
bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool WriteAndSync(TTempFile& temp, std::string_view bytes) {
  return WriteAll(temp.Fd(), bytes) && ::fsync(temp.Fd()) == 0 && temp.Close();
}

// The file the configuration path finally names, links followed one by one
// so that a dangling link still yields the name its target is to have.
struct TResolved {
  std::string Path;
  bool Exists = false;
  struct stat Status {};
};

TResolved ResolveLinks(const std::string& path) {
  TResolved resolved{path};
  for (int hops = 0; hops < 40; ++hops) {
    if (::lstat(resolved.Path.c_str(), &resolved.Status) != 0) {
      if (errno != ENOENT) RaiseFileError("write", path, errno);
      return resolved;
    }
    if (!S_ISLNK(resolved.Status.st_mode)) {
      resolved.Exists = true;
      return resolved;
    }
    std::error_code ec;
    const fs::path target = fs::read_symlink(resolved.Path, ec);
    if (ec) RaiseFileError("write", path, ec.value());
    resolved.Path = target.is_absolute()
                        ? target.string()
                        : (fs::path(resolved.Path).parent_path() / target).string();
  }
  RaiseFileError("write", path, ELOOP);
}

// Opens a new, uniquely named file beside target; -1 and errno on failure.
int CreateTempBeside(const std::string& target, std::string& tempPath) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath =
        target + kSaveTag + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// A temporary file that could not be made: when its name is taken, that
// name is what the user must look at, not the configuration file.
[[noreturn]] void RaiseTempFailure(const std::string& tempPath, const std::string& path,
                                   int error) {
  RaiseFileError("create", error == EEXIST ? tempPath : path, error);
}

void SyncFolderOf(const std::string& path) {
  const fs::path folder = fs::path(path).parent_path();
  TFd fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() >= 0)
    ::fsync(fd.Get());  // the rename is done; the folder's durability is best effort
}

// Whether a failure to create a file in a folder means the folder refuses
// new files (as opposed to a fault of the disk).
bool FolderRefuses(int error) {
  return error == EACCES || error == EPERM || error == EROFS;
}

// A new file where none is, through a temporary file, so that no reader
// ever sees it half written.
void CreateFile(const std::string& target, std::string_view bytes, const std::string& path) {
  std::string tempPath;
  const int fd = CreateTempBeside(target, tempPath);
  if (fd < 0) RaiseTempFailure(tempPath, path, errno);
  TTempFile temp(tempPath, fd);
  if (!WriteAndSync(temp, bytes)) RaiseFileError("write", path, errno);
  if (::rename(temp.Path().c_str(), target.c_str()) != 0) RaiseFileError("create", path, errno);
  temp.Keep();
  SyncFolderOf(target);
}

// The permission bits a replaced file keeps: all but set-user-ID and
// set-group-ID, which a saved configuration must never pass on.
mode_t KeptMode(const struct stat& status) {
  return status.st_mode & 07777 & ~mode_t(S_ISUID | S_ISGID);
}

// Replaces target by a renamed temporary file with its owner, group and
// permissions. False, with nothing changed, when the folder refuses a new
// file or the owner and group cannot be given to it.
bool ReplaceByRename(const std::string& target, const struct stat& old, std::string_view bytes,
                     const std::string& path) {
  std::string tempPath;
  const int fd = CreateTempBeside(target, tempPath);
  if (fd < 0) {
    if (FolderRefuses(errno)) return false;
    RaiseTempFailure(tempPath, path, errno);
  }
  TTempFile temp(tempPath, fd);
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    if (errno == EPERM) return false;
    RaiseFileError("write", path, errno);
  }
  if (::fchmod(fd, KeptMode(old)) != 0) RaiseFileError("write", path, errno);
  if (!WriteAndSync(temp, bytes)) RaiseFileError("write", path, errno);
  if (::rename(temp.Path().c_str(), target.c_str()) != 0) RaiseFileError("replace", path, errno);
  temp.Keep();
  SyncFolderOf(target);
  return true;
}

// The new content in a file of the system's temporary folder, so that it
// survives an in-place write that fails part way.
std::string KeepSafeElsewhere(const std::string& target, std::string_view bytes,
                              const std::string& path) {
  std::error_code ec;
  fs::path folder = fs::temp_directory_path(ec);
  if (ec) folder = "/tmp";
  std::string name = (folder / fs::path(target).filename()).string() + kSaveTag +
                     std::to_string(::getpid()) + "-XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) RaiseFileError("create", name, errno);
  TTempFile temp(name, fd);
  if (!WriteAndSync(temp, bytes)) {
    const int error = errno;
    throw EFileError("Cannot write file \"" + path + "\": the new content could not be kept in \"" +
                     name + "\" first: " + std::strerror(error));
  }
  temp.Keep();
  return name;
}

// Writes bytes into target itself: its inode, and with it every hard link,
// owner, group and permission, stays. The content is first made safe
// elsewhere; a failure names that copy.
void WriteInPlace(const std::string& target, const struct stat& old, std::string_view bytes,
                  const std::string& path) {
  const std::string safeCopy = KeepSafeElsewhere(target, bytes, path);
  const auto fail = [&](int error) {
    throw EFileError("Cannot write file \"" + path + "\": " + std::strerror(error) +
                     "; the new content is kept in \"" + safeCopy + "\"");
  };
  // O_NONBLOCK: should the name have become a pipe meanwhile, opening it
  // must not wait for a reader; the check below then refuses it.
  TFd fd(::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd.Get() < 0) {
    const int error = errno;
    ::unlink(safeCopy.c_str());  // nothing was written: the old file is whole
    RaiseFileError("write", path, error);
  }
  struct stat opened {};
  if (::fstat(fd.Get(), &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != old.st_dev ||
      opened.st_ino != old.st_ino) {
    ::unlink(safeCopy.c_str());
    RaiseNotRegular(path);
  }
  // Writing as the superuser keeps set-user-ID and set-group-ID; they go.
  if ((old.st_mode & (S_ISUID | S_ISGID)) != 0 && ::fchmod(fd.Get(), KeptMode(old)) != 0 &&
      errno != EPERM)
    fail(errno);
  if (!WriteAll(fd.Get(), bytes)) fail(errno);
  if (::ftruncate(fd.Get(), static_cast<off_t>(bytes.size())) != 0) fail(errno);
  if (::fsync(fd.Get()) != 0) fail(errno);
  if (!fd.Close()) fail(errno);
  ::unlink(safeCopy.c_str());
}

}  // namespace

void RaiseFileError(const std::string& action, const std::string& path, int error) {
  throw EFileError("Cannot " + action + " file \"" + path + "\": " + std::strerror(error));
}

std::string FinalFileName(const std::string& path) {
  return ResolveLinks(path).Path;
}

std::string ReadFileBytes(const std::string& path, std::uintmax_t maxSize) {
  // O_NONBLOCK: a name that became a pipe since it was looked at must not
  // wait for a writer; the check below refuses it.
  TFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.Get() < 0) RaiseFileError("open", path, errno);
  const auto tooLarge = [&](std::uintmax_t size, const char* qualifier) {
    throw EFileError("Cannot read file \"" + path + "\": its size of " + qualifier +
                     std::to_string(size) + " bytes exceeds the limit of " +
                     std::to_string(maxSize) + " bytes");
  };
  struct stat status {};
  if (::fstat(fd.Get(), &status) != 0) RaiseFileError("read", path, errno);
  if (!S_ISREG(status.st_mode))
    throw EFileError("Cannot read file \"" + path + "\": it is not a regular file");
  if (static_cast<std::uintmax_t>(status.st_size) > maxSize)
    tooLarge(static_cast<std::uintmax_t>(status.st_size), "");

  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(status.st_size));
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), chunk, sizeof chunk);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      RaiseFileError("read", path, errno);
    }
    // A file that grew after the size was looked at is held to the limit as well.
    if (bytes.size() + static_cast<std::size_t>(got) > maxSize)
      tooLarge(bytes.size() + static_cast<std::size_t>(got), "more than ");
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  return bytes;
}

void ReplaceFileContent(const std::string& path, std::string_view bytes) {
  const TResolved target = ResolveLinks(path);
  if (!target.Exists) return CreateFile(target.Path, bytes, path);
  if (!S_ISREG(target.Status.st_mode)) RaiseNotRegular(path);
  // Renaming over a file asks only the folder's permission; a configuration
  // file made read-only must refuse the new content as writing into it would.
  if (::faccessat(AT_FDCWD, target.Path.c_str(), W_OK, AT_EACCESS) != 0)
    RaiseFileError("write", path, errno);
  // A rename would split a hard link from its other names.
  if (target.Status.st_nlink == 1 && ReplaceByRename(target.Path, target.Status, bytes, path))
    return;
  WriteInPlace(target.Path, target.Status, bytes, path);
}
