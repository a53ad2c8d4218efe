#pragma once
// Which driver libraries may be loaded. Loading a library runs its code as
// the user who configures (root, often), so nobody but that user, root and
// the plant's group may have been able to change it or its folder.
#include <optional>
#include <string>

enum class TDistrust {
  WritableByOthers,  // the folder or a library: others than owner and group may write
  ForeignOwner,      // a library: owned by neither root nor the user running the program
};

struct TUntrustedDriver {
  std::string Path;  // the folder or the library
  bool IsFolder = false;
  TDistrust Reason = TDistrust::WritableByOthers;
  std::string Owner;  // ForeignOwner: the owner's name, or number without one
};

// The first reason not to load anything from driverFolder: the folder (links
// followed) writable by others, the sticky bit notwithstanding; then, in
// the loader's order, a library of the search (DriverLibraries) writable by
// others or owned by a foreign user. Group-writable is the plant's choice.
// None when every one is trusted or the folder is missing.
std::optional<TUntrustedDriver> FindUntrustedDriver(const std::string& driverFolder);
