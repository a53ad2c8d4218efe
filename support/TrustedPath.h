#pragma once
// Whether the program may act on what a path leads to. Loading a driver
// library runs its code as the user who configures (often root), and
// reading or writing the configuration file acts on whatever the name leads
// to; so, as OpenSSH's StrictModes and sudo judge paths, every folder from
// "/" down (links resolved) must belong to root or the user running the
// program, and nobody else may be able to write it: group write permission
// is the plant's choice and allowed, an access-control list counts like the
// mode bits, and a folder everyone may write is allowed above the last one
// when its sticky bit keeps others from renaming what is in it (as /tmp).
// Every symbolic link on the way belongs to root or the running user.
//
// The walk goes from folder to folder through descriptors, so that what was
// checked is what the caller then opens: the last folder's descriptor and
// the name of the entry in it, never the path again.
#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>

#include "support/FileDescriptor.h"

enum class TPathDistrust {
  WritableByOthers,  // others than owner and group may write it (mode bits or ACL)
  ForeignOwner,      // it belongs to neither root nor the running user
  Unusable,          // it cannot be checked (Error: a loop of links, a name too long, ...)
};

enum class TPathKind { Folder, File, Link };

struct TDistrustedPath {
  std::string Path;  // as reached, links resolved up to it
  TPathKind Kind = TPathKind::Folder;
  TPathDistrust Reason = TPathDistrust::WritableByOthers;
  bool ByAcl = false;  // WritableByOthers through an access-control-list entry
  std::string Owner;   // ForeignOwner: the owner's user name, or number without one
  int Error = 0;       // Unusable: the errno
};

// Where a walk ended: the last folder, checked with every folder above it.
struct TTrustedPlace {
  TFileDescriptor Folder;  // an O_PATH descriptor of the folder
  std::string FolderPath;  // its path from "/", links resolved
  std::string Name;        // the entry in it; empty when the walk named the folder
  bool Exists = false;     // whether Name is there (no link: links were followed)
  std::string Path() const { return Name.empty() ? FolderPath : Join(FolderPath, Name); }
  static std::string Join(const std::string& folder, std::string_view name);
};

enum class TWalkEnd {
  Folder,  // the path names a folder, the place's Folder
  Entry,   // the path names an entry of a folder (which need not exist)
};

struct TWalk {
  std::optional<TTrustedPlace> Place;       // when every step was trusted
  std::optional<TDistrustedPath> Distrust;  // else the first that was not
  // ENOENT or ENOTDIR when a folder on the way does not exist (or the
  // entry's folder, for Entry); neither Place nor Distrust is set then.
  int Missing = 0;
};

// Follows path from "/" (a relative path from the current folder, or from
// below when given: a place an earlier walk checked), opening and checking
// one folder after the other and resolving every link (at most 40). The
// last folder must not be writable by others even with its sticky bit.
TWalk WalkTrusted(const std::string& path, TWalkEnd end, const TTrustedPlace* below = nullptr);

// The reason not to trust a file opened as fd (any descriptor, O_PATH
// included): owned by neither root nor the running user, or writable by
// others (mode or ACL). None when it is trusted.
std::optional<TDistrustedPath> ExamineFile(int fd, const std::string& path);

// What is wrong, in one sentence naming the path, then consequence (what
// the program does not do because of it), then the fix ("chmod o-w ...").
std::string UntrustedPathText(const TDistrustedPath& distrust, std::string_view consequence);
