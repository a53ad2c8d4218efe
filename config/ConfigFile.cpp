#include "ConfigFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "VNErrors.h"

namespace {

constexpr std::string_view kStartMarker = ">ChT<";
constexpr std::string_view kEndMarker = ">EOT<";

namespace fs = std::filesystem;

[[noreturn]] void RaiseFileError(const std::string& action, const std::string& path, int error) {
  throw EFileError("Cannot " + action + " file \"" + path + "\": " + std::strerror(error));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

TStrings SplitTextLines(std::string_view bytes) {
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  TStrings lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(bytes.substr(start));  // the last line needs no end
      break;
    }
    lines.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
    if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
  }
  return lines;
}

namespace {

// Writes all of data to fd, resuming after short writes and interruptions.
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

// The file that is really replaced: a configuration file reached through a
// symbolic link stays a link, its target gets the new content.
std::string ReplacedPath(const std::string& path) {
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    const fs::path target = fs::canonical(path, ec);
    if (!ec) return target.string();
  }
  return path;
}

// Removes the temporary file when the write did not get as far as renaming.
class TTempFile {
 public:
  explicit TTempFile(std::string path) : FPath(std::move(path)) {}
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  ~TTempFile() {
    if (FFd >= 0) ::close(FFd);
    if (!FRenamed) ::unlink(FPath.c_str());
  }
  const std::string& Path() const { return FPath; }
  int Fd() const { return FFd; }
  void SetFd(int fd) { FFd = fd; }
  // Closes explicitly so that a late write error (reported by close) is seen.
  bool Close() {
    const int fd = FFd;
    FFd = -1;
    return ::close(fd) == 0;
  }
  void MarkRenamed() { FRenamed = true; }

 private:
  std::string FPath;
  int FFd = -1;
  bool FRenamed = false;
};

// Opens a new, uniquely named file beside target; mode as a new file gets.
int CreateTempBeside(const std::string& target, std::string& tempPath) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = target + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

void SyncFolderOf(const std::string& path) {
  const fs::path folder = fs::path(path).parent_path();
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // the rename is done; durability of the folder is best effort
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

TStrings ReadTextLines(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) RaiseFileError("open", path, errno);
  std::string bytes;
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      RaiseFileError("read", path, error);
    }
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return SplitTextLines(bytes);
}

void WriteTextLinesAtomic(const std::string& path, const TStrings& lines) {
  std::string bytes;
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  bytes.reserve(size);
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }

  const std::string target = ReplacedPath(path);
  // Renaming over a file asks only the folder's permission; a configuration
  // file made read-only must refuse the new content as writing into it would.
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT)
    RaiseFileError("write", path, errno);
  std::string tempPath;
  const int fd = CreateTempBeside(target, tempPath);
  if (fd < 0) RaiseFileError("create", path, errno);
  TTempFile temp(tempPath);
  temp.SetFd(fd);

  // The new file keeps the permissions of the one it replaces.
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);

  if (!WriteAll(fd, bytes)) RaiseFileError("write", path, errno);
  if (::fsync(fd) != 0) RaiseFileError("write", path, errno);
  if (!temp.Close()) RaiseFileError("write", path, errno);
  if (::rename(temp.Path().c_str(), target.c_str()) != 0) RaiseFileError("replace", path, errno);
  temp.MarkRenamed();
  SyncFolderOf(target);
}

void LoadConfigFile(const std::string& path, TConfigInfo& config, TStrings& fileLines,
                    TStrings& channelLines) {
  // Only a regular file is a configuration file; anything else (a folder, a
  // pipe that would block) counts as missing and the defaults stay. A file
  // that may exist but cannot be looked at is an error, not a missing file.
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory)
    RaiseFileError("open", path, ec.value());
  if (!fs::is_regular_file(status)) return;

  fileLines = ReadTextLines(path);
  ReadConfigLines(path, fileLines, config, channelLines);
}

void ReadConfigLines(const std::string& fileName, const TStrings& fileLines, TConfigInfo& config,
                     TStrings& channelLines) {
  // The settings keys are looked up in the whole file, channel block included.
  config.LoadFromList(fileLines);

  std::size_t start = 0;
  while (start < fileLines.size() && !EqualsIgnoringCase(fileLines[start], kStartMarker)) ++start;
  if (start == fileLines.size()) return;  // no channel block

  std::size_t end = start + 1;
  while (end < fileLines.size() && fileLines[end] != kEndMarker) ++end;
  if (end == fileLines.size()) {
    throw EListError("List index out of bounds (" + std::to_string(end) +
                     "): the channel block of \"" + fileName + "\" starting in line " +
                     std::to_string(start + 1) + " has no end marker \">EOT<\"");
  }
  channelLines.insert(channelLines.end(),
                      fileLines.begin() + static_cast<std::ptrdiff_t>(start + 1),
                      fileLines.begin() + static_cast<std::ptrdiff_t>(end));
}

void BuildConfigFileLines(const TConfigInfo& config, const TStrings& channelLines,
                          TStrings& fileLines) {
  fileLines.clear();
  fileLines.reserve(14 + channelLines.size() + 3);
  config.SaveToList(fileLines);
  fileLines.emplace_back(kStartMarker);
  fileLines.insert(fileLines.end(), channelLines.begin(), channelLines.end());
  fileLines.emplace_back();
  fileLines.emplace_back(kEndMarker);
}
