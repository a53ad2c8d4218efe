#include "app/load_drv.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>

namespace {

struct TModuleCloser {
  void operator()(void* module) const {
    if (module) dlclose(module);
  }
};
using TModule = std::unique_ptr<void, TModuleCloser>;

struct TLoadedDriver {
  TModule Module;
  std::string FileName;  // the path the library was loaded from
  std::array<void*, kDriverEntryCount> EntryPoints{};
  // Empty when the library has no DR_OpenHw: then there is nothing to close.
  std::optional<TDriverHandle> Handle;
  std::string Description;
};

class TDriverLoader {
 public:
  TDriverLoader() = default;
  TDriverLoader(const TDriverLoader&) = delete;
  TDriverLoader& operator=(const TDriverLoader&) = delete;
  // Drivers still loaded at program end are closed like any others.
  ~TDriverLoader() { Unload(); }

  std::uintptr_t ApplicationWindow = 0;
  std::vector<TLoadedDriver> Drivers;

  void Unload() {
    // Each driver is closed right before its own library goes, in index order.
    for (auto& driver : Drivers) {
      auto close = reinterpret_cast<TDR_CloseHw>(driver.EntryPoints[epCloseHw]);
      if (close && driver.Handle) close(*driver.Handle);
      driver.Module.reset();
    }
    Drivers.clear();
  }
};

TDriverLoader& Loader() {
  static TDriverLoader loader;
  return loader;
}

// A driver is promised 201 bytes; the spare room keeps one that overshoots its
// 200 characters from writing past our buffer.
constexpr std::size_t kExchangeBufferReserve = 1024;

std::string DescriptionFrom(const std::vector<char>& buffer) {
  // A driver that leaves out the terminating zero still cannot make us read
  // past the buffer.
  const auto end = std::find(buffer.begin(), buffer.end(), '\0');
  return std::string(buffer.begin(), end);
}

std::string BareName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const TLoadedDriver* DriverAt(int index) {
  const auto& drivers = Loader().Drivers;
  if (index < 0 || static_cast<std::size_t>(index) >= drivers.size()) return nullptr;
  return &drivers[static_cast<std::size_t>(index)];
}

std::string ProcPath(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

int CollectName(dl_phdr_info* info, std::size_t, void* names) {
  if (info->dlpi_name) static_cast<std::set<std::string>*>(names)->insert(info->dlpi_name);
  return 0;
}

// Loads the file open as fd through /proc, so that the file loaded is the
// one opened, whatever its name leads to now. dlopen hands a library it
// holds out again, unopened, for the name it was loaded under; so the
// descriptor given it has a number no library still loaded came from.
TModule OpenModule(int fd) {
  std::set<std::string> loaded;
  dl_iterate_phdr(CollectName, &loaded);
  for (int from = 0;;) {
    const TFileDescriptor copy(::fcntl(fd, F_DUPFD_CLOEXEC, from));
    if (!copy.Valid()) return nullptr;
    const std::string name = ProcPath(copy.Get());
    if (loaded.contains(name)) {
      from = copy.Get() + 1;
      continue;
    }
    TModule module(dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!module) dlerror();  // the failure's text is not needed: the library is skipped
    return module;
  }
}

bool CopyBounded(const std::optional<std::string>& text, char* buffer, std::size_t maxLength) {
  if (!text || !buffer) return false;
  const std::size_t length = std::min(text->size(), maxLength);
  std::memcpy(buffer, text->data(), length);
  buffer[length] = '\0';
  return true;
}

}  // namespace

void InitDrivers(std::uintptr_t applicationWindow) {
  Loader().Unload();
  Loader().ApplicationWindow = applicationWindow;
}

std::vector<std::string> MatchingNames(int folderFd, const std::string& mask) {
  // A descriptor of its own for reading the entries: closedir closes it.
  const int listed = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listed < 0) return {};
  DIR* folder = ::fdopendir(listed);
  if (!folder) {
    ::close(listed);
    return {};
  }
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    if (name.empty() || name.front() == '.') continue;
    if (fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) == 0) names.push_back(name);
  }
  ::closedir(folder);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> DriverLibraryPaths(const std::string& pattern) {
  const auto slash = pattern.rfind('/');
  // A bare mask means the current folder; "./" keeps dlopen from searching
  // the library path instead.
  const std::string folder = slash == std::string::npos ? "./" : pattern.substr(0, slash + 1);
  const std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);

  // No such folder: the same as an empty one.
  const TFileDescriptor folderFd(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  std::vector<std::string> paths;
  for (const std::string& name : MatchingNames(folderFd.Get(), mask)) {
    // Links are followed: a link to a library counts, a dangling link, a
    // folder, a pipe or a device does not.
    struct stat status {};
    if (::fstatat(folderFd.Get(), name.c_str(), &status, 0) == 0 && S_ISREG(status.st_mode))
      paths.push_back(folder + name);
  }
  return paths;
}

void LoadDrivers(const std::string& pattern) {
  for (const auto& path : DriverLibraryPaths(pattern)) LoadDriver(path);
}

bool LoadDriver(const std::string& path) {
  // The kernel resolves the links once; the result is what gets loaded.
  TLibraryFile library{TFileDescriptor(::open(path.c_str(), O_PATH | O_CLOEXEC)), path};
  return library.File.Valid() && LoadDriver(library);
}

bool LoadDriver(const TLibraryFile& library) {
  const std::string& path = library.Path;
  std::vector<char> exchange(std::max(path.size() + 1, kExchangeBufferReserve), '\0');
  std::copy(path.begin(), path.end(), exchange.begin());

  TModule module = OpenModule(library.File.Get());
  if (!module) return false;  // not a library, or one whose dependencies are missing
  if (!dlsym(module.get(), DriverEntryNames[epDLL])) return false;

  TLoadedDriver driver;
  driver.FileName = path;
  for (std::size_t i = 0; i < kDriverEntryCount; ++i)
    driver.EntryPoints[i] = dlsym(module.get(), DriverEntryNames[i]);
  driver.Module = std::move(module);

  reinterpret_cast<TDR_DLL>(driver.EntryPoints[epDLL])(Loader().ApplicationWindow, exchange.data());
  // A library without DR_OpenHw is described but never opened.
  if (auto open = reinterpret_cast<TDR_OpenHw>(driver.EntryPoints[epOpenHw])) {
    TDriverHandle handle = 0;
    open(&handle, path.c_str());
    driver.Handle = handle;
  }
  driver.Description = DescriptionFrom(exchange);
  Loader().Drivers.push_back(std::move(driver));
  return true;
}

int DriverCount() {
  return static_cast<int>(Loader().Drivers.size());
}

std::optional<std::string> DriverDescription(int index) {
  if (const auto* driver = DriverAt(index)) return driver->Description;
  return std::nullopt;
}

std::optional<std::string> DriverFileName(int index) {
  if (const auto* driver = DriverAt(index)) return BareName(driver->FileName);
  return std::nullopt;
}

bool GetDriverDescription(int index, char* buffer, std::size_t maxLength) {
  return CopyBounded(DriverDescription(index), buffer, maxLength);
}

bool GetDriverFileName(int index, char* buffer, std::size_t maxLength) {
  return CopyBounded(DriverFileName(index), buffer, maxLength);
}

void UnloadDrivers() {
  Loader().Unload();
}
