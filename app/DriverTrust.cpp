#include "app/DriverTrust.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// The library name leads to below the driver folder (at folder, found as
// folderPath), opened (O_PATH, so that opening has no effect of its own)
// and checked; none when it is no regular file (or is gone).
std::optional<TLibraryFile> OpenLibrary(const TTrustedPlace& folder, const std::string& folderPath,
                                        const std::string& name,
                                        std::optional<TDistrustedPath>& distrust) {
  TWalk walk = WalkTrusted(name, TWalkEnd::Entry, &folder);
  if (walk.Distrust) distrust = std::move(walk.Distrust);
  if (!walk.Place || !walk.Place->Exists) return std::nullopt;
  const TTrustedPlace& place = *walk.Place;
  TFileDescriptor file(
      ::openat(place.Folder.Get(), place.Name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  struct stat status {};
  if (!file.Valid() || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
    return std::nullopt;
  distrust = ExamineFile(file.Get(), place.Path());
  if (distrust) return std::nullopt;
  return TLibraryFile{std::move(file), folderPath + "/" + name};
}

}  // namespace

TDriverLibraries OpenDriverLibraries(const std::string& driverFolder) {
  TDriverLibraries libraries;
  TWalk walk = WalkTrusted(driverFolder, TWalkEnd::Folder);
  if (walk.Distrust) libraries.Distrust = std::move(walk.Distrust);
  if (!walk.Place) return libraries;  // missing: like an empty folder
  for (const std::string& name : MatchingNames(walk.Place->Folder.Get(), "*.so")) {
    auto library = OpenLibrary(*walk.Place, driverFolder, name, libraries.Distrust);
    if (libraries.Distrust) {
      libraries.Files.clear();
      return libraries;
    }
    if (library) libraries.Files.push_back(std::move(*library));
  }
  return libraries;
}
