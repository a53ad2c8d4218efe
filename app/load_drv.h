#pragma once
// The loader for the suite's driver libraries. One loader per process: it
// loads every library a search finds, asks each for its description, opens
// each driver, lets its user look descriptions and file names up by index,
// and closes and unloads them all again.
//
// Index i always belongs to the i-th library that loaded and exports DR_DLL,
// in the order the search found them; libraries that fail get no index, so
// the indices stay dense.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/DR_import.h"
#include "support/FileDescriptor.h"

// Forgets all loaded drivers (unloading any still loaded) and remembers the
// application's window handle for DR_DLL (0: the program has no window).
void InitDrivers(std::uintptr_t applicationWindow);

// A driver library opened once: a descriptor of the file (O_PATH) and the
// path the search found it under, which DR_DLL and DR_OpenHw receive.
struct TLibraryFile {
  TFileDescriptor File;
  std::string Path;
};

// The names in the folder open as folderFd that match mask ('*' and '?',
// letter case ignored) and are not hidden, in byte-wise order.
std::vector<std::string> MatchingNames(int folderFd, const std::string& mask);

// pattern: a folder, "/", and a file mask such as "*.so". The paths of every
// match (MatchingNames) that is, or links to, a regular file.
std::vector<std::string> DriverLibraryPaths(const std::string& pattern);

// Loads every library DriverLibraryPaths(pattern) lists, in its order.
void LoadDrivers(const std::string& pattern);

// Loads one library: the file path leads to now, opened once. A file that
// is no loadable library, or a library without DR_DLL, is skipped without a
// trace. Calls DR_DLL and, when the library has it, DR_OpenHw. Returns
// whether the library got an index.
bool LoadDriver(const std::string& path);
// The same for a library opened before: what is loaded is the file open as
// library.File, whatever its name leads to by now.
bool LoadDriver(const TLibraryFile& library);

// Number of loaded drivers.
int DriverCount();

// Description and bare file name (no folder) of driver index, or nothing
// when no driver has that index.
std::optional<std::string> DriverDescription(int index);
std::optional<std::string> DriverFileName(int index);

// Copies at most maxLength characters of driver index's description (its
// bare file name) into buffer, which holds maxLength + 1 bytes, adds the
// terminating zero and returns true; returns false and leaves buffer alone
// when no driver has that index.
bool GetDriverDescription(int index, char* buffer, std::size_t maxLength);
bool GetDriverFileName(int index, char* buffer, std::size_t maxLength);

// Closes every driver (DR_CloseHw, when it has one) right before unloading
// its library, in index order; then no driver has an index. Calling it again
// closes nothing.
void UnloadDrivers();
