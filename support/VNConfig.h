#pragma once
// The suite's general user options, read once at start-up. The program reads
// them and uses none of them; nothing writes them.
//
// Store: QSettings(NativeFormat, UserScope, "Arbelon", "Vornic 7"), group
// "General Settings", one text value per field, numbers and Booleans as
// decimal text (true: a number other than 0).
#include <array>
#include <cstdint>
#include <string>

struct TVNOptionsX {
  bool AutoInfoOpen = false;                // "Auto Info Open"
  bool AutoInfoSave = true;                 // "Auto Info Save"
  std::string DefaultUser;                  // "Default User"
  std::string DefaultDepartment;            // "Default Department"
  std::string TempPath;                     // "Temp Path"; default: the system's
  std::uint8_t DefaultLineWidth = 2;        // "Default Line Width"
  std::uint8_t DefaultGridMode = 0;         // "Default Grid Mode"
  std::uint8_t DefaultFloatWidth = 16;      // "Default Float Width"
  std::uint8_t DefaultFloatPrecision = 12;  // "Default Float Precision"
  std::uint8_t DefaultFloatNotation = 0;    // "Default Float Notation"
  bool TooltipHelp = true;                  // "Tooltip Help"
  bool CreateBakFiles = false;              // "Create Bak Files"
  // "Default Color 0" .. "Default Color 15": red + 256 * green + 65536 * blue.
  std::array<std::int32_t, 16> DefaultColors = {
      0,     16711680, 8388736, 32768, 8421376,  128,      255,      32896,
      65535, 8388608,  8421504, 65280, 16776960, 16711935, 12632256, 16777215,
  };
};

extern TVNOptionsX Options;

// Fills Options: a missing value, or a number that is no whole number
// (decimal, or hexadecimal behind "$", "x" or "0x"), gives the field's
// default. Creates the empty settings file when there is none (the group is
// not created). Only a file of the running user's own is read or created:
// in a folder that belongs to the user, reached through no other user's
// folder or link; otherwise every field keeps its default, silently. A value that is not text
// raises EConvertError, and a number outside 0..255 for one of the five 8-bit fields raises
// ERangeError; each names the value and the settings file. Reading stops at the first error and
// leaves Options as it was.
void ReadOptions();
