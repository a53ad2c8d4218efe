#pragma once
// A POSIX descriptor owned by one object and closed when that goes.
#include <unistd.h>

#include <utility>

class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd = -1) noexcept : FFd(fd) {}
  TFileDescriptor(TFileDescriptor&& other) noexcept : FFd(std::exchange(other.FFd, -1)) {}
  TFileDescriptor& operator=(TFileDescriptor&& other) noexcept {
    if (this != &other) {
      Reset();
      FFd = std::exchange(other.FFd, -1);
    }
    return *this;
  }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  ~TFileDescriptor() { Reset(); }

  int Get() const noexcept { return FFd; }
  bool Valid() const noexcept { return FFd >= 0; }
  // Closes now, so that a late write error (which close reports) is seen.
  bool Close() noexcept { return ::close(std::exchange(FFd, -1)) == 0; }
  void Reset() noexcept {
    if (FFd >= 0) ::close(std::exchange(FFd, -1));
  }

 private:
  int FFd;
};
