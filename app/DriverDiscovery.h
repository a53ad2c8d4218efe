#pragma once
// Finding the S7 driver among the suite's driver libraries.
#include <cstdint>
#include <optional>
#include <string>

// The text an S7 driver's description contains (letter case counts).
inline constexpr const char* kS7DriverMark = "S7-Treiber";

// The folder the drivers are searched in: <current folder>/drv. The current
// folder, not the program's own: the suite starts its tools in its project
// folder.
std::string CurrentDriverFolder();

// Loads every driver library in driverFolder (OpenDriverLibraries), takes
// the path of the first (by name) whose description contains kS7DriverMark,
// and unloads them all again, matched or not. Returns driverFolder + "/" +
// the library's name, or nothing when no driver is an S7 driver. Raises
// EUntrustedDriverError, before anything is loaded, when the folder, a
// folder above it or a library is not trusted.
std::optional<std::string> FindS7Driver(const std::string& driverFolder,
                                        std::uintptr_t applicationWindow = 0);
