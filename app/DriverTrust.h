#pragma once
// Which driver libraries may be loaded. Loading a library runs its code as
// the user who configures (root, often), so the driver folder and every
// folder above it, and each library, must be such that nobody but that
// user, root and the plant's group can have changed them (TrustedPath.h);
// and what is loaded is the file that was checked: each library is opened
// once, checked on its descriptor and loaded from it (LoadDriver).
#include <optional>
#include <string>
#include <vector>

#include "app/load_drv.h"
#include "support/TrustedPath.h"

struct TDriverLibraries {
  // The libraries of the search, opened and checked, in the loader's order.
  std::vector<TLibraryFile> Files;
  // Else the first reason not to load anything; Files is then empty.
  std::optional<TDistrustedPath> Distrust;
};

// driverFolder and its "*.so" (links followed; what is, or leads to,
// anything but a regular file is skipped, as the search skips it): each
// library must belong to root or the running user and be writable by
// nobody else. A missing folder has no libraries.
TDriverLibraries OpenDriverLibraries(const std::string& driverFolder);
