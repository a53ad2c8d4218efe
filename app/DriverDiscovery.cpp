#include "app/DriverDiscovery.h"

#include <filesystem>

#include "app/DriverTrust.h"
#include "app/UntrustedDriverError.h"
#include "app/load_drv.h"

namespace {
// No driver library stays loaded beyond the search, whichever way it ends.
struct TUnloadAllDrivers {
  TUnloadAllDrivers() = default;
  TUnloadAllDrivers(const TUnloadAllDrivers&) = delete;
  TUnloadAllDrivers& operator=(const TUnloadAllDrivers&) = delete;
  ~TUnloadAllDrivers() { UnloadDrivers(); }
};
}  // namespace

std::string CurrentDriverFolder() {
  return (std::filesystem::current_path() / "drv").string();
}

std::optional<std::string> FindS7Driver(const std::string& driverFolder,
                                        std::uintptr_t applicationWindow) {
  // Loading runs a library's code; nothing is loaded from a place where
  // someone else could have put it.
  const TDriverLibraries libraries = OpenDriverLibraries(driverFolder);
  if (libraries.Distrust) throw EUntrustedDriverError(*libraries.Distrust);
  InitDrivers(applicationWindow);
  TUnloadAllDrivers unloadAll;
  for (const TLibraryFile& library : libraries.Files) LoadDriver(library);
  for (int index = 0;; ++index) {
    const auto description = DriverDescription(index);
    if (!description) return std::nullopt;
    if (description->find(kS7DriverMark) != std::string::npos)
      return driverFolder + "/" + *DriverFileName(index);
  }
}
