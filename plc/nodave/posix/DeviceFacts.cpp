#include "plc/nodave/posix/DeviceFacts.h"

#include <errno.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "plc/nodave/Failure.h"

namespace nodave {
namespace {

// Where udev names every USB serial adapter by its make and serial number.
constexpr const char* kAdapterFolder = "/dev/serial/by-id";

std::string PresentAdapters() {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(kAdapterFolder, ec), end; !ec && it != end;
       it.increment(ec)) {
    names.push_back(it->path().string());
  }
  std::sort(names.begin(), names.end());
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return list;
}

std::string OwningGroup(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return {};
  group entry{};
  group* found = nullptr;
  std::vector<char> buffer(16384);
  if (getgrgid_r(status.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) {
    return std::to_string(status.st_gid);
  }
  return found->gr_name;
}

}  // namespace

void AddDeviceFacts(const std::string& path, int err, daveFailure& failure) {
  if (err == ENOENT) SetField(failure.adapters, PresentAdapters());
  if (err == EACCES || err == EPERM) SetField(failure.group, OwningGroup(path));
}

bool LockDevice(int fd) {
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  if (errno == EWOULDBLOCK) errno = EBUSY;
  return errno != EBUSY;  // a device without locks is used as it is
}

}  // namespace nodave
