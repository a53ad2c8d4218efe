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

#include "DR_import.h"

// Forgets all loaded drivers (unloading any still loaded) and remembers the
// application's window handle for DR_DLL (0: the program has no window).
void InitDrivers(std::uintptr_t applicationWindow);

// pattern: a folder, "/", and a file mask such as "*.so" ('*' and '?',
// letter case ignored). The paths of every match that is, or links to, a
// regular file and is not hidden, in the order of the names (byte-wise).
std::vector<std::string> DriverLibraryPaths(const std::string& pattern);

// Loads every library DriverLibraryPaths(pattern) lists, in its order.
void LoadDrivers(const std::string& pattern);

// Loads one library. A file that is no loadable library, or a library
// without DR_DLL, is skipped without a trace. Calls DR_DLL and, when the
// library has it, DR_OpenHw. Returns whether the library got an index.
bool LoadDriver(const std::string& path);

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
