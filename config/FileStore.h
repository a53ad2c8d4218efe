#pragma once
// The platform's side of the configuration file: reading its bytes with a
// size limit, and replacing its content while the file keeps what makes it
// the user's file (owner, group, permissions, links). Every access goes
// through the file's trusted place (TrustedPath.h): its folder's descriptor,
// every folder above checked, and its name there, links resolved once; so
// the file read and written is the file checked. One implementation per
// platform, chosen by CMake (posix/FileStore.cpp).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/TrustedPath.h"

// The largest configuration file read: far above any real plant (a file
// with 100,000 channels is about 1 MB), low enough that reading it cannot
// exhaust the memory of the machine.
inline constexpr std::uintmax_t kMaxConfigFileSize = 64u * 1024u * 1024u;

// EFileError "Cannot <action> file "<path>": <the system's text for error>".
[[noreturn]] void RaiseFileError(const std::string& action, const std::string& path, int error);

// Where the file path names lies: links followed, every folder on the way
// trusted. None when a folder on the way is missing. EFileError naming what
// is not trusted, why, that the file is neither read nor written, and the
// fix (UntrustedPathText).
std::optional<TTrustedPlace> FilePlace(const std::string& path);

// The whole content of the regular file at path, or none when nothing is
// there (a dangling link, a missing folder). EFileError naming the file when
// it cannot be opened or read, is no regular file, or holds more than
// maxSize bytes (the text then gives its size and the limit; nothing beyond
// the limit is read).
std::optional<std::string> ReadFileIfThere(const std::string& path, std::uintmax_t maxSize);
// The same, where a missing file is an error too.
std::string ReadFileBytes(const std::string& path, std::uintmax_t maxSize);
// The same for the regular file open as fd, from its start; path names it
// in messages.
std::string ReadOpenFile(int fd, const std::string& path, std::uintmax_t maxSize);

// Makes bytes the content of the regular file path names, following
// symbolic links to it; a link whose target is missing gets the target
// created. Where the file exists it keeps its owner, group, permission bits
// (never set-user-ID or set-group-ID), hard links and links to it: by a
// renamed temporary file in its folder where that keeps all of it, else by
// writing in place after the content was made safe in a temporary file in
// the system's temporary folder. Raises EFileError naming path (and, when an
// in-place write failed part way, the file holding the new content); a path
// that is or leads to anything but a regular file is refused unchanged.
void ReplaceFileContent(const std::string& path, std::string_view bytes);
// The same for the file at place that the writers' lock holds open for
// writing as fd: an in-place write goes through fd.
void ReplaceFileContent(const TTrustedPlace& place, int fd, const std::string& path,
                        std::string_view bytes);
