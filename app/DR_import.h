#pragma once
// The entry points every driver library of the suite exports, declared once
// for the loader and for the stand-in drivers that implement them.
//
// The loader calls only DR_DLL, DR_OpenHw and DR_CloseHw; it looks the other
// seventeen up so that their table stays complete, but never calls them.
// Window handles are std::uintptr_t and 0 when there is no window.
#include <array>
#include <cstddef>
#include <cstdint>

// The driver handle DR_OpenHw hands out and DR_CloseHw takes back.
using TDriverHandle = std::int32_t;

extern "C" {
// buffer holds the library's path on entry (zero-terminated, at least
// kDriverExchangeBufferSize bytes); the driver writes its description there,
// at most kDriverDescriptionLength characters and a terminating zero.
int DR_DLL(std::uintptr_t applicationWindow, char* buffer);
// Stores the handle of the opened driver in *handle.
int DR_OpenHw(TDriverHandle* handle, const char* libraryPath);
// Releases what DR_OpenHw opened.
void DR_CloseHw(TDriverHandle handle);

int DR_ConfigHw(TDriverHandle handle, std::uintptr_t parentWindow);
int DR_ConfigBl(TDriverHandle handle, int block);
int DR_TestHw(TDriverHandle handle);
void DR_BlockClosed(TDriverHandle handle, int block);
int DR_GetBlConfig(TDriverHandle handle, int block, char* buffer, int size);
int DR_GetHintStr(TDriverHandle handle, int channel, char* buffer, int size);
void DR_SetSimStepSize(TDriverHandle handle, double seconds);
void DR_SetDigLevels(TDriverHandle handle, double low, double high);
void DR_SetCCodeParams(TDriverHandle handle, const char* parameters);
int DR_ReadFromSysFile(TDriverHandle handle, const char* fileName);
int DR_WriteToSysFile(TDriverHandle handle, const char* fileName);
int DR_WriteToDocFile(TDriverHandle handle, const char* fileName);
int DR_WriteCFct(TDriverHandle handle, const char* fileName);
int DR_CanSim(TDriverHandle handle);
int DR_InitSim(TDriverHandle handle);
int DR_Sim(TDriverHandle handle, double time);
void DR_EndSim(TDriverHandle handle);
}

using TDR_DLL = decltype(&DR_DLL);
using TDR_OpenHw = decltype(&DR_OpenHw);
using TDR_CloseHw = decltype(&DR_CloseHw);

// What a driver may write into the exchange buffer, and the buffer's least
// size: the description and its terminating zero.
inline constexpr std::size_t kDriverDescriptionLength = 200;
inline constexpr std::size_t kDriverExchangeBufferSize = kDriverDescriptionLength + 1;

// The entry points in table order; the loader keeps one slot per row.
enum TDriverEntry : std::size_t {
  epDLL = 0,
  epOpenHw = 1,
  epCloseHw = 5,
  kDriverEntryCount = 20,
};

inline constexpr std::array<const char*, kDriverEntryCount> DriverEntryNames = {
    "DR_DLL",
    "DR_OpenHw",
    "DR_ConfigHw",
    "DR_ConfigBl",
    "DR_TestHw",
    "DR_CloseHw",
    "DR_BlockClosed",
    "DR_GetBlConfig",
    "DR_GetHintStr",
    "DR_SetSimStepSize",
    "DR_SetDigLevels",
    "DR_SetCCodeParams",
    "DR_ReadFromSysFile",
    "DR_WriteToSysFile",
    "DR_WriteToDocFile",
    "DR_WriteCFct",
    "DR_CanSim",
    "DR_InitSim",
    "DR_Sim",
    "DR_EndSim",
};
