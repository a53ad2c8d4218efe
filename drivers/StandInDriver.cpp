// A stand-in for one of the suite's driver libraries: it describes itself,
// hands out real driver handles and takes them back, and answers the other
// entry points for the handles it gave out.
//
// Built several times with different definitions:
//   VN_DRIVER_DESCRIPTION  the text DR_DLL writes (at most 200 characters);
//   VN_DRIVER_DLL_ONLY     exports DR_DLL and nothing else;
//   VN_DRIVER_NO_DLL       exports everything but DR_DLL.
//
// When the environment variable VN_DRIVER_TRACE names a file, every call of
// DR_DLL, DR_OpenHw and DR_CloseHw appends a line to it, so that one can
// follow what a program does with its drivers.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "app/DR_import.h"

#ifndef VN_DRIVER_DESCRIPTION
#error "VN_DRIVER_DESCRIPTION must name the driver"
#endif

namespace {

static_assert(sizeof(VN_DRIVER_DESCRIPTION) - 1 <= kDriverDescriptionLength,
              "a description has at most 200 characters");

void Trace(const std::string& line) {
  const char* file = std::getenv("VN_DRIVER_TRACE");
  if (!file || !*file) return;
  if (std::FILE* out = std::fopen(file, "a")) {
    std::fprintf(out, "%s\n", line.c_str());
    std::fclose(out);
  }
}

[[maybe_unused]] std::string BareName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

// One opened driver: what it was opened for and the state the simulation
// entry points work on.
struct TDriverInstance {
  std::string LibraryPath;
  double StepSize = 0.0;
  double LowLevel = 0.0;
  double HighLevel = 0.0;
  std::string CCodeParameters;
  bool Simulating = false;
};

[[maybe_unused]] std::map<TDriverHandle, std::unique_ptr<TDriverInstance>>& Instances() {
  static std::map<TDriverHandle, std::unique_ptr<TDriverInstance>> instances;
  return instances;
}

[[maybe_unused]] TDriverInstance* Instance(TDriverHandle handle) {
  const auto found = Instances().find(handle);
  return found == Instances().end() ? nullptr : found->second.get();
}

[[maybe_unused]] int CopyText(const std::string& text, char* buffer, int size) {
  if (!buffer || size < 1) return -1;
  const std::size_t length = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

// Every file entry point names a file; writing and reading it is the real
// driver's business, the stand-in only checks that it may.
[[maybe_unused]] int CheckFile(TDriverHandle handle, const char* fileName) {
  return Instance(handle) && fileName && *fileName ? 0 : -1;
}

}  // namespace

extern "C" {

#ifndef VN_DRIVER_NO_DLL
int DR_DLL(std::uintptr_t applicationWindow, char* buffer) {
  Trace("DLL " + std::to_string(applicationWindow) + " " + buffer);
  std::memcpy(buffer, VN_DRIVER_DESCRIPTION, sizeof(VN_DRIVER_DESCRIPTION));
  return 0;
}
#endif

#ifndef VN_DRIVER_DLL_ONLY
int DR_OpenHw(TDriverHandle* handle, const char* libraryPath) {
  static TDriverHandle lastHandle = 0;
  if (!handle || !libraryPath) return -1;
  *handle = ++lastHandle;
  auto instance = std::make_unique<TDriverInstance>();
  instance->LibraryPath = libraryPath;
  Instances()[*handle] = std::move(instance);
  Trace("OPEN " + std::to_string(*handle) + " " + BareName(libraryPath));
  return 0;
}

void DR_CloseHw(TDriverHandle handle) {
  const bool known = Instances().erase(handle) == 1;
  Trace("CLOSE " + std::to_string(handle) + (known ? "" : " unknown"));
}

int DR_ConfigHw(TDriverHandle handle, std::uintptr_t) {
  return Instance(handle) ? 0 : -1;
}
int DR_ConfigBl(TDriverHandle handle, int block) {
  return Instance(handle) && block >= 0 ? 0 : -1;
}
int DR_TestHw(TDriverHandle handle) {
  return Instance(handle) ? 0 : -1;
}
void DR_BlockClosed(TDriverHandle, int) {}
int DR_GetBlConfig(TDriverHandle handle, int block, char* buffer, int size) {
  if (!Instance(handle)) return -1;
  return CopyText("Block " + std::to_string(block), buffer, size);
}
int DR_GetHintStr(TDriverHandle handle, int channel, char* buffer, int size) {
  if (!Instance(handle)) return -1;
  return CopyText("Kanal " + std::to_string(channel), buffer, size);
}
void DR_SetSimStepSize(TDriverHandle handle, double seconds) {
  if (auto* instance = Instance(handle)) instance->StepSize = seconds;
}
void DR_SetDigLevels(TDriverHandle handle, double low, double high) {
  if (auto* instance = Instance(handle)) {
    instance->LowLevel = low;
    instance->HighLevel = high;
  }
}
void DR_SetCCodeParams(TDriverHandle handle, const char* parameters) {
  if (auto* instance = Instance(handle)) instance->CCodeParameters = parameters ? parameters : "";
}
int DR_ReadFromSysFile(TDriverHandle handle, const char* fileName) {
  return CheckFile(handle, fileName);
}
int DR_WriteToSysFile(TDriverHandle handle, const char* fileName) {
  return CheckFile(handle, fileName);
}
int DR_WriteToDocFile(TDriverHandle handle, const char* fileName) {
  return CheckFile(handle, fileName);
}
int DR_WriteCFct(TDriverHandle handle, const char* fileName) {
  return CheckFile(handle, fileName);
}
int DR_CanSim(TDriverHandle handle) {
  return Instance(handle) ? 1 : 0;
}
int DR_InitSim(TDriverHandle handle) {
  auto* instance = Instance(handle);
  if (!instance) return -1;
  instance->Simulating = true;
  return 0;
}
int DR_Sim(TDriverHandle handle, double) {
  const auto* instance = Instance(handle);
  return instance && instance->Simulating ? 0 : -1;
}
void DR_EndSim(TDriverHandle handle) {
  if (auto* instance = Instance(handle)) instance->Simulating = false;
}
#endif
}
