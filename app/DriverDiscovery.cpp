#include "DriverDiscovery.h"

#include <filesystem>

#include "load_drv.h"

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

std::vector<std::string> DriverLibraries(const std::string& driverFolder) {
  return DriverLibraryPaths(driverFolder + "/*.so");
}

std::optional<std::string> FindS7Driver(const std::string& driverFolder,
                                        std::uintptr_t applicationWindow) {
  InitDrivers(applicationWindow);
  TUnloadAllDrivers unloadAll;
  for (const std::string& library : DriverLibraries(driverFolder)) LoadDriver(library);
  for (int index = 0;; ++index) {
    const auto description = DriverDescription(index);
    if (!description) return std::nullopt;
    if (description->find(kS7DriverMark) != std::string::npos)
      return driverFolder + "/" + *DriverFileName(index);
  }
}
