// POSIX side of the path trust: O_PATH descriptors from folder to folder,
// fstatat and readlinkat to follow links by hand, the access-control list
// read as the kernel stores it (the system.posix_acl_access attribute), so
// that no ACL library is needed.
#include "support/TrustedPath.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <deque>
#include <vector>

namespace {

// The kernel's own limit of links followed for one path.
constexpr int kMaxLinks = 40;

// The access-control list as the kernel hands it out: a version word, then
// entries of tag, permissions and id, little-endian (linux/posix_acl_xattr.h).
constexpr const char* kAclAttribute = "system.posix_acl_access";
constexpr std::uint32_t kAclVersion = 2;
constexpr std::uint16_t kAclUser = 0x02;
constexpr std::uint16_t kAclGroup = 0x08;
constexpr std::uint16_t kAclMask = 0x10;
constexpr std::uint16_t kAclWrite = 0x02;

bool TrustedOwner(uid_t owner) {
  return owner == 0 || owner == ::geteuid();
}

std::string UserName(uid_t user) {
  struct passwd entry {};
  struct passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (::getpwuid_r(user, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
    return found->pw_name;
  return std::to_string(user);
}

std::uint32_t LittleEndian(const std::vector<unsigned char>& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

// The attribute's bytes into acl; 0, or the errno. A file without an ACL, or
// on a file system without them, has an empty one.
int ReadAcl(int fd, std::vector<unsigned char>& acl) {
  // Path calls reach the file of an O_PATH descriptor through /proc.
  const std::string file = "/proc/self/fd/" + std::to_string(fd);
  acl.resize(128);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t size = ::getxattr(file.c_str(), kAclAttribute, acl.data(), acl.size());
    if (size >= 0) {
      acl.resize(static_cast<std::size_t>(size));
      return 0;
    }
    if (errno == ENODATA || errno == ENOTSUP) {
      acl.clear();
      return 0;
    }
    if (errno != ERANGE) return errno;
    acl.resize(acl.size() * 8);  // grown meanwhile: a list of up to 4096 entries fits at last
  }
  return ERANGE;
}

// Whether an ACL entry lets a user other than root, the running user and
// the owner, or a group other than the owner's group, write; the mask, when
// it withholds writing, withholds it from every such entry. 0 or the errno.
int AclLetsOthersWrite(int fd, const struct stat& status, bool& writable) {
  writable = false;
  std::vector<unsigned char> acl;
  if (const int error = ReadAcl(fd, acl)) return error;
  if (acl.empty()) return 0;
  if (acl.size() < 4 || LittleEndian(acl, 0, 4) != kAclVersion || (acl.size() - 4) % 8 != 0)
    return EINVAL;
  bool maskWrites = true;
  bool namedWrites = false;
  for (std::size_t at = 4; at < acl.size(); at += 8) {
    const auto tag = LittleEndian(acl, at, 2);
    const bool writes = (LittleEndian(acl, at + 2, 2) & kAclWrite) != 0;
    const uid_t id = LittleEndian(acl, at + 4, 4);
    if (tag == kAclMask) maskWrites = writes;
    if (tag == kAclUser && writes && !TrustedOwner(id) && id != status.st_uid) namedWrites = true;
    if (tag == kAclGroup && writes && id != status.st_gid) namedWrites = true;
  }
  writable = namedWrites && maskWrites;
  return 0;
}

TDistrustedPath Distrusted(std::string path, TPathKind kind, TPathDistrust reason, int error = 0) {
  TDistrustedPath distrust;
  distrust.Path = std::move(path);
  distrust.Kind = kind;
  distrust.Reason = reason;
  distrust.Error = error;
  return distrust;
}

// Owner, mode bits and ACL of the folder or file fd. stickyAllowed: a folder
// everyone may write passes when its sticky bit is set.
std::optional<TDistrustedPath> Examine(int fd, const std::string& path, TPathKind kind,
                                       bool stickyAllowed) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) return Distrusted(path, kind, TPathDistrust::Unusable, errno);
  if (!TrustedOwner(status.st_uid)) {
    TDistrustedPath foreign = Distrusted(path, kind, TPathDistrust::ForeignOwner);
    foreign.Owner = UserName(status.st_uid);
    return foreign;
  }
  const bool sticky = stickyAllowed && (status.st_mode & S_ISVTX) != 0;
  if ((status.st_mode & S_IWOTH) != 0 && !sticky)
    return Distrusted(path, kind, TPathDistrust::WritableByOthers);
  bool aclWrites = false;
  if (const int error = AclLetsOthersWrite(fd, status, aclWrites))
    return Distrusted(path, kind, TPathDistrust::Unusable, error);
  if (aclWrites) {
    TDistrustedPath acl = Distrusted(path, kind, TPathDistrust::WritableByOthers);
    acl.ByAcl = true;
    return acl;
  }
  return std::nullopt;
}

// One walk: the folder reached so far and the names still to go.
class TWalker {
 public:
  explicit TWalker(TWalkEnd end) : FEnd(end) {}

  TWalk Run(const std::string& path, const TTrustedPlace* below) {
    if (Start(path, below)) {
      while (!FNames.empty()) {
        const std::string name = std::move(FNames.front());
        FNames.pop_front();
        if (name.empty() || name == ".") continue;
        if (!Step(name)) return std::move(FWalk);
      }
      if (FEnd == TWalkEnd::Entry)
        Fail(Distrusted(FPath, TPathKind::Folder, TPathDistrust::Unusable, EISDIR));
      else
        Found({}, true);
    }
    return std::move(FWalk);
  }

 private:
  TWalkEnd FEnd;
  TFileDescriptor FFolder;
  std::string FPath;
  std::deque<std::string> FNames;
  int FLinks = 0;
  TWalk FWalk;

  // The names of text go before those still to walk.
  void Push(const std::string& text) {
    std::deque<std::string> names;
    std::size_t start = 0;
    while (start <= text.size()) {
      const std::size_t slash = std::min(text.find('/', start), text.size());
      names.push_back(text.substr(start, slash - start));
      start = slash + 1;
    }
    FNames.insert(FNames.begin(), names.begin(), names.end());
  }

  // Where the walk begins: "/" for an absolute path, else the place below
  // or the current folder (walked from "/" as well).
  bool Start(const std::string& path, const TTrustedPlace* below) {
    if (path.empty()) return Missing(ENOENT);
    Push(path);
    if (path.front() == '/' || !below) {
      if (path.front() != '/') {
        std::vector<char> cwd(4096);
        while (!::getcwd(cwd.data(), cwd.size())) {
          if (errno != ERANGE)
            return Fail(Distrusted(".", TPathKind::Folder, TPathDistrust::Unusable, errno));
          cwd.resize(cwd.size() * 2);
        }
        Push(cwd.data());
      }
      return ToRoot();
    }
    FFolder = TFileDescriptor(::fcntl(below->Folder.Get(), F_DUPFD_CLOEXEC, 0));
    FPath = below->FolderPath;
    if (!FFolder.Valid())
      return Fail(Distrusted(FPath, TPathKind::Folder, TPathDistrust::Unusable, errno));
    return true;
  }

  // Each of these ends the walk with its outcome and returns false.
  bool Missing(int error) {
    FWalk.Missing = error;
    return false;
  }
  bool Fail(std::optional<TDistrustedPath> distrust) {
    FWalk.Distrust = std::move(distrust);
    return false;
  }

  bool ToRoot() {
    FFolder = TFileDescriptor(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    FPath = "/";
    if (!FFolder.Valid())
      return Fail(Distrusted("/", TPathKind::Folder, TPathDistrust::Unusable, errno));
    if (auto distrust = Examine(FFolder.Get(), FPath, TPathKind::Folder, true))
      return Fail(std::move(distrust));
    return true;
  }

  // Every folder above the current one was checked on the way down.
  bool Up() {
    if (FPath == "/") return true;
    FFolder = TFileDescriptor(::openat(FFolder.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    FPath.erase(FPath.rfind('/'));
    if (FPath.empty()) FPath = "/";
    if (!FFolder.Valid())
      return Fail(Distrusted(FPath, TPathKind::Folder, TPathDistrust::Unusable, errno));
    return true;
  }

  // Goes on with name in the current folder; false when the walk ends here.
  bool Step(const std::string& name) {
    if (name == "..") return Up();
    const std::string path = TTrustedPlace::Join(FPath, name);
    const bool last = FNames.empty();
    struct stat status {};
    if (::fstatat(FFolder.Get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
      const int error = errno;
      if (error == ENOENT && last && FEnd == TWalkEnd::Entry) return Found(name, false);
      if (error == ENOENT || error == ENOTDIR) return Missing(error);
      return Fail(Distrusted(path, TPathKind::Folder, TPathDistrust::Unusable, error));
    }
    if (S_ISLNK(status.st_mode)) return Follow(name, path, status);
    if (last && FEnd == TWalkEnd::Entry) return Found(name, true);
    if (!S_ISDIR(status.st_mode)) return Missing(ENOTDIR);
    // The checks are made on what was opened, whatever the name leads to now.
    TFileDescriptor next(
        ::openat(FFolder.Get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.Valid()) {
      const int error = errno;
      if (error == ENOENT || error == ENOTDIR) return Missing(error);
      return Fail(Distrusted(path, TPathKind::Folder, TPathDistrust::Unusable, error));
    }
    if (auto distrust = Examine(next.Get(), path, TPathKind::Folder, true))
      return Fail(std::move(distrust));
    FFolder = std::move(next);
    FPath = path;
    return true;
  }

  bool Follow(const std::string& name, const std::string& path, const struct stat& status) {
    if (!TrustedOwner(status.st_uid)) {
      TDistrustedPath foreign = Distrusted(path, TPathKind::Link, TPathDistrust::ForeignOwner);
      foreign.Owner = UserName(status.st_uid);
      return Fail(std::move(foreign));
    }
    if (++FLinks > kMaxLinks)
      return Fail(Distrusted(path, TPathKind::Link, TPathDistrust::Unusable, ELOOP));
    std::vector<char> target(static_cast<std::size_t>(status.st_size) + 2);
    for (;;) {
      const ssize_t size = ::readlinkat(FFolder.Get(), name.c_str(), target.data(), target.size());
      if (size < 0) return Fail(Distrusted(path, TPathKind::Link, TPathDistrust::Unusable, errno));
      if (static_cast<std::size_t>(size) < target.size()) {
        target.resize(static_cast<std::size_t>(size));
        break;
      }
      target.resize(target.size() * 2);  // the link changed since it was looked at
    }
    if (target.empty())
      return Fail(Distrusted(path, TPathKind::Link, TPathDistrust::Unusable, ENOENT));
    const std::string text(target.begin(), target.end());
    Push(text);
    return text.front() != '/' || ToRoot();
  }

  // The walk ends in the current folder, which others may not write even
  // with the sticky bit: anyone could add a name there.
  bool Found(const std::string& name, bool exists) {
    struct stat status {};
    if (::fstat(FFolder.Get(), &status) != 0)
      return Fail(Distrusted(FPath, TPathKind::Folder, TPathDistrust::Unusable, errno));
    if ((status.st_mode & S_IWOTH) != 0)
      return Fail(Distrusted(FPath, TPathKind::Folder, TPathDistrust::WritableByOthers));
    FWalk.Place = TTrustedPlace{std::move(FFolder), FPath, name, exists};
    return false;
  }
};

}  // namespace

TWalk WalkTrusted(const std::string& path, TWalkEnd end, const TTrustedPlace* below) {
  return TWalker(end).Run(path, below);
}

std::optional<TDistrustedPath> ExamineFile(int fd, const std::string& path) {
  return Examine(fd, path, TPathKind::File, false);
}
