#pragma once
// The benchmarks' big configuration files: 100,000 channel leaves below 255
// data blocks, and a plant's million (255 full data blocks of 4,091
// offsets), written with the settings' defaults.
#include <string>

#include "config/ConfigFile.h"

inline constexpr int kBigFileLeaves = 100000;
inline constexpr int kBigFileDataBlocks = 255;
inline constexpr int kMillionFileLeaves = kBigFileDataBlocks * 4091;

// Writes the file to path; paths (if given) receives "SPS;DB;n;a" of every
// leaf in file order.
inline void WriteBigConfigFile(const std::string& path, TStrings* paths = nullptr,
                               int leafCount = kBigFileLeaves) {
  TStrings channelLines{"SPS", "\tE", "\tA", "\tM", "\tT", "\tZ", "\tDB"};
  for (int db = 1; db <= kBigFileDataBlocks; ++db) {
    channelLines.push_back("\t\t" + std::to_string(db));
    const int leaves =
        leafCount / kBigFileDataBlocks + (db <= leafCount % kBigFileDataBlocks ? 1 : 0);
    for (int address = 0; address < leaves; ++address) {
      channelLines.push_back("\t\t\t" + std::to_string(address));
      if (paths) paths->push_back("SPS;DB;" + std::to_string(db) + ";" + std::to_string(address));
    }
  }
  TStrings fileLines;
  BuildConfigFileLines(TConfigInfo(path), channelLines, fileLines);
  WriteTextLinesAtomic(path, fileLines);
}
