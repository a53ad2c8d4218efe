// POSIX side of the configuration file: descriptors relative to the
// file's trusted folder, fchown/fchmod to keep the file's identity.
#include "config/FileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

#include "support/FileDescriptor.h"
#include "support/Translation.h"
#include "support/VNErrors.h"

namespace {

namespace fs = std::filesystem;

// Temporary files carry the program's name and process id, so that one
// left behind by a killed save says what it is and whose save it was.
constexpr const char* kSaveTag = ".VN_S7_Config_DRV-save-pid";

[[noreturn]] void RaiseNotRegular(const std::string& path) {
  throw EFileError("Cannot write file \"" + path + "\": it is not a regular file");
}

// A temporary file that is removed unless Keep was called.
class TTempFile {
 public:
  // folder: the descriptor name is relative to, AT_FDCWD for a full path.
  TTempFile(int folder, std::string name, int fd)
      : FFolder(folder), FName(std::move(name)), FFd(fd) {}
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  ~TTempFile() {
    if (FFd.Valid()) FFd.Close();
    if (!FKept) ::unlinkat(FFolder, FName.c_str(), 0);
  }
  const std::string& Name() const { return FName; }
  int Fd() const { return FFd.Get(); }
  bool Close() { return FFd.Close(); }
  void Keep() { FKept = true; }

 private:
  int FFolder;
  std::string FName;
  TFileDescriptor FFd;
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

// Opens a new, uniquely named file beside name in folder; -1 and errno on
// failure.
int CreateTempBeside(const TTrustedPlace& place, std::string& tempName) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempName = place.Name + kSaveTag + std::to_string(::getpid()) + "-" +
               std::to_string(counter++) + ".tmp";
    const int fd = ::openat(place.Folder.Get(), tempName.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// A temporary file that could not be made: when its name is taken, that
// name is what the user must look at, not the configuration file.
[[noreturn]] void RaiseTempFailure(const TTrustedPlace& place, const std::string& tempName,
                                   const std::string& path, int error) {
  RaiseFileError("create", error == EEXIST ? TTrustedPlace::Join(place.FolderPath, tempName) : path,
                 error);
}

void SyncFolder(const TTrustedPlace& place) {
  // A descriptor for the path alone cannot be synced: the folder itself, once more.
  const TFileDescriptor fd(::openat(place.Folder.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Valid()) ::fsync(fd.Get());  // the rename is done; the folder's durability is best effort
}

// Whether a failure to create a file in a folder means the folder refuses
// new files (as opposed to a fault of the disk).
bool FolderRefuses(int error) {
  return error == EACCES || error == EPERM || error == EROFS;
}

// Puts the written temporary file in the place of the file.
void RenameInto(const TTrustedPlace& place, TTempFile& temp, const char* action,
                const std::string& path) {
  if (::renameat(place.Folder.Get(), temp.Name().c_str(), place.Folder.Get(), place.Name.c_str()) !=
      0)
    RaiseFileError(action, path, errno);
  temp.Keep();
  SyncFolder(place);
}

// A new file where none is, through a temporary file, so that no reader
// ever sees it half written.
void CreateFile(const TTrustedPlace& place, std::string_view bytes, const std::string& path) {
  std::string tempName;
  const int fd = CreateTempBeside(place, tempName);
  if (fd < 0) RaiseTempFailure(place, tempName, path, errno);
  TTempFile temp(place.Folder.Get(), tempName, fd);
  if (!WriteAndSync(temp, bytes)) RaiseFileError("write", path, errno);
  RenameInto(place, temp, "create", path);
}

// The permission bits a replaced file keeps: all but set-user-ID and
// set-group-ID, which a saved configuration must never pass on.
mode_t KeptMode(const struct stat& status) {
  return status.st_mode & 07777 & ~mode_t(S_ISUID | S_ISGID);
}

// Replaces the file by a renamed temporary file with its owner, group and
// permissions. False, with nothing changed, when the folder refuses a new
// file or the owner and group cannot be given to it.
bool ReplaceByRename(const TTrustedPlace& place, const struct stat& old, std::string_view bytes,
                     const std::string& path) {
  std::string tempName;
  const int fd = CreateTempBeside(place, tempName);
  if (fd < 0) {
    if (FolderRefuses(errno)) return false;
    RaiseTempFailure(place, tempName, path, errno);
  }
  TTempFile temp(place.Folder.Get(), tempName, fd);
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    if (errno == EPERM) return false;
    RaiseFileError("write", path, errno);
  }
  if (::fchmod(fd, KeptMode(old)) != 0) RaiseFileError("write", path, errno);
  if (!WriteAndSync(temp, bytes)) RaiseFileError("write", path, errno);
  RenameInto(place, temp, "replace", path);
  return true;
}

// The new content in a file of the system's temporary folder, so that it
// survives an in-place write that fails part way.
std::string KeepSafeElsewhere(const TTrustedPlace& place, std::string_view bytes,
                              const std::string& path) {
  std::error_code ec;
  fs::path folder = fs::temp_directory_path(ec);
  if (ec) folder = "/tmp";
  std::string name =
      (folder / place.Name).string() + kSaveTag + std::to_string(::getpid()) + "-XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) RaiseFileError("create", name, errno);
  TTempFile temp(AT_FDCWD, name, fd);
  if (!WriteAndSync(temp, bytes)) {
    const int error = errno;
    throw EFileError("Cannot write file \"" + path + "\": the new content could not be kept in \"" +
                     name + "\" first: " + std::strerror(error));
  }
  temp.Keep();
  return name;
}

// Writes bytes into the file itself: its inode, and with it every hard link,
// owner, group and permission, stays. The content is first made safe
// elsewhere; a failure names that copy. fd: the file as the writers' lock
// holds it open, or -1.
void WriteInPlace(const TTrustedPlace& place, int fd, const struct stat& old,
                  std::string_view bytes, const std::string& path) {
  const std::string safeCopy = KeepSafeElsewhere(place, bytes, path);
  const auto fail = [&](int error) {
    throw EFileError("Cannot write file \"" + path + "\": " + std::strerror(error) +
                     "; the new content is kept in \"" + safeCopy + "\"");
  };
  // O_NONBLOCK: should the name have become a pipe meanwhile, opening it
  // must not wait for a reader; the check below then refuses it.
  TFileDescriptor opened;
  if (fd < 0) {
    opened = TFileDescriptor(::openat(place.Folder.Get(), place.Name.c_str(),
                                      O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!opened.Valid()) {
      const int error = errno;
      ::unlink(safeCopy.c_str());  // nothing was written: the old file is whole
      RaiseFileError("write", path, error);
    }
    fd = opened.Get();
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_dev != old.st_dev ||
      status.st_ino != old.st_ino) {
    ::unlink(safeCopy.c_str());
    RaiseNotRegular(path);
  }
  // Writing as the superuser keeps set-user-ID and set-group-ID; they go.
  if ((old.st_mode & (S_ISUID | S_ISGID)) != 0 && ::fchmod(fd, KeptMode(old)) != 0 &&
      errno != EPERM)
    fail(errno);
  if (::lseek(fd, 0, SEEK_SET) != 0 || !WriteAll(fd, bytes)) fail(errno);
  if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) fail(errno);
  if (::fsync(fd) != 0) fail(errno);
  if (opened.Valid() && !opened.Close()) fail(errno);
  ::unlink(safeCopy.c_str());
}

// Opens the file at place for reading; -1 and errno when that fails.
int OpenForReading(const TTrustedPlace& place) {
  // O_NOFOLLOW: the walk resolved every link, a new one is not followed.
  // O_NONBLOCK: a name that became a pipe since it was looked at must not
  // wait for a writer; the reading refuses it.
  return ::openat(place.Folder.Get(), place.Name.c_str(),
                  O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

}  // namespace

void RaiseFileError(const std::string& action, const std::string& path, int error) {
  throw EFileError("Cannot " + action + " file \"" + path + "\": " + std::strerror(error));
}

std::optional<TTrustedPlace> FilePlace(const std::string& path) {
  TWalk walk = WalkTrusted(path, TWalkEnd::Entry);
  if (walk.Distrust) {
    throw EFileError(UntrustedPathText(
        *walk.Distrust,
        FillIn(Tr("The configuration file \"%s\" is neither read nor written."), {path})));
  }
  return std::move(walk.Place);
}

std::optional<std::string> ReadFileIfThere(const std::string& path, std::uintmax_t maxSize) {
  const auto place = FilePlace(path);
  if (!place || !place->Exists) return std::nullopt;
  const TFileDescriptor fd(OpenForReading(*place));
  if (!fd.Valid()) {
    if (errno == ENOENT) return std::nullopt;  // gone since the walk
    RaiseFileError("open", path, errno);
  }
  return ReadOpenFile(fd.Get(), path, maxSize);
}

std::string ReadFileBytes(const std::string& path, std::uintmax_t maxSize) {
  auto bytes = ReadFileIfThere(path, maxSize);
  if (!bytes) RaiseFileError("open", path, ENOENT);
  return std::move(*bytes);
}

std::string ReadOpenFile(int fd, const std::string& path, std::uintmax_t maxSize) {
  const auto tooLarge = [&](std::uintmax_t size, const char* qualifier) {
    throw EFileError("Cannot read file \"" + path + "\": its size of " + qualifier +
                     std::to_string(size) + " bytes exceeds the limit of " +
                     std::to_string(maxSize) + " bytes");
  };
  struct stat status {};
  if (::fstat(fd, &status) != 0) RaiseFileError("read", path, errno);
  if (!S_ISREG(status.st_mode))
    throw EFileError("Cannot read file \"" + path + "\": it is not a regular file");
  if (static_cast<std::uintmax_t>(status.st_size) > maxSize)
    tooLarge(static_cast<std::uintmax_t>(status.st_size), "");

  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(status.st_size));
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::pread(fd, chunk, sizeof chunk, static_cast<off_t>(bytes.size()));
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
  const auto place = FilePlace(path);
  if (!place) RaiseFileError("create", path, ENOENT);
  ReplaceFileContent(*place, -1, path, bytes);
}

void ReplaceFileContent(const TTrustedPlace& place, int fd, const std::string& path,
                        std::string_view bytes) {
  struct stat old {};
  if (::fstatat(place.Folder.Get(), place.Name.c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) RaiseFileError("write", path, errno);
    return CreateFile(place, bytes, path);
  }
  if (!S_ISREG(old.st_mode)) RaiseNotRegular(path);
  // Renaming over a file asks only the folder's permission; a configuration
  // file made read-only must refuse the new content as writing into it would.
  if (::faccessat(place.Folder.Get(), place.Name.c_str(), W_OK, AT_EACCESS) != 0)
    RaiseFileError("write", path, errno);
  // A rename would split a hard link from its other names.
  if (old.st_nlink == 1 && ReplaceByRename(place, old, bytes, path)) return;
  WriteInPlace(place, fd, old, bytes, path);
}
