#include "plc/nodave/Failure.h"

#include <map>
#include <mutex>

namespace nodave {
namespace {

constexpr int kLargestItemReturn = 0xFF;
constexpr int kLargestPlcError = 0xFFFF;
constexpr int kCotpReasons = 256;

struct Origins {
  std::mutex lock;
  std::map<int, PortOrigin> byDescriptor;
};

Origins& Known() {
  static Origins origins;
  return origins;
}

}  // namespace

daveFailure NoFailure() {
  daveFailure f{};
  f.step = daveStepNone;
  f.cotpReason = -1;
  f.rack = -1;
  f.slot = -1;
  return f;
}

daveFailure MakeFailure(int step, int result, const PortOrigin& origin) {
  daveFailure f = NoFailure();
  f.step = step;
  f.result = result;
  if (result >= 1 && result <= kLargestItemReturn) {
    f.itemReturn = result;
  } else if (result > kLargestItemReturn && result <= kLargestPlcError) {
    f.s7Error = result;
  } else if (result <= daveResCotpRefusedBase && result > daveResCotpRefusedBase - kCotpReasons) {
    f.cotpReason = daveResCotpRefusedBase - result;
  }
  SetField(f.address, origin.address);
  SetField(f.device, origin.device);
  SetField(f.speed, origin.speed);
  return f;
}

bool IsFollowUp(int result) {
  return result == daveResNotConnected || result == daveResAdapterNotReady ||
         result == daveResInterfaceFreed;
}

PortOrigin OriginOf(int fd) {
  std::lock_guard<std::mutex> hold(Known().lock);
  auto it = Known().byDescriptor.find(fd);
  return it == Known().byDescriptor.end() ? PortOrigin{} : it->second;
}

void RememberOrigin(int fd, const PortOrigin& origin) {
  std::lock_guard<std::mutex> hold(Known().lock);
  Known().byDescriptor[fd] = origin;
}

void ForgetOrigin(int fd) {
  std::lock_guard<std::mutex> hold(Known().lock);
  Known().byDescriptor.erase(fd);
}

daveFailure& OpenFailure() {
  thread_local daveFailure failure = NoFailure();
  return failure;
}

}  // namespace nodave
