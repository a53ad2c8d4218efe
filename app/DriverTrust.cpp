#include "DriverTrust.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "DriverDiscovery.h"

namespace {

std::string UserName(uid_t user) {
  struct passwd entry {};
  struct passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (::getpwuid_r(user, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
    return found->pw_name;
  return std::to_string(user);
}

// The reason not to trust path (links followed: what gets loaded counts);
// none when it is trusted or gone.
std::optional<TUntrustedDriver> Examine(const std::string& path, bool isFolder) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  if ((status.st_mode & S_IWOTH) != 0)
    return TUntrustedDriver{path, isFolder, TDistrust::WritableByOthers, {}};
  if (!isFolder && status.st_uid != 0 && status.st_uid != ::geteuid())
    return TUntrustedDriver{path, isFolder, TDistrust::ForeignOwner, UserName(status.st_uid)};
  return std::nullopt;
}

}  // namespace

std::optional<TUntrustedDriver> FindUntrustedDriver(const std::string& driverFolder) {
  if (auto folder = Examine(driverFolder, true)) return folder;
  for (const std::string& library : DriverLibraries(driverFolder))
    if (auto untrusted = Examine(library, false)) return untrusted;
  return std::nullopt;
}
