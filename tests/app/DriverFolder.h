#pragma once
// A temporary project folder with a drv/ folder that tests fill with copies
// of the stand-in driver libraries; removed with everything in it.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/testsupport/TempFolder.h"

namespace fs = std::filesystem;

inline const fs::path kDemoDrivers = fs::path(VN_BUILD_DIR) / "demo" / "drv";
inline const fs::path kFixtureDrivers = fs::path(VN_BUILD_DIR) / "tests" / "fixtures" / "drivers";

class TDriverFolder {
 public:
  // subPath: folders to create between the temporary folder and drv/.
  explicit TDriverFolder(const fs::path& subPath = {})
      : FRoot("vnapp"), FProject(subPath.empty() ? FRoot.Path() : FRoot.Path() / subPath) {
    fs::create_directories(Drv());
  }

  const fs::path& Project() const { return FProject; }
  fs::path Drv() const { return FProject / "drv"; }

  // Copies library source into drv/ as name.
  void Add(const fs::path& source, const std::string& name) const {
    fs::copy_file(source, Drv() / name, fs::copy_options::overwrite_existing);
  }

 private:
  TTempFolder FRoot;
  fs::path FProject;
};

// The lines the stand-in drivers append to the file VN_DRIVER_TRACE names.
class TDriverTrace {
 public:
  TDriverTrace() : FFile(FFolder.Path() / "trace") { setenv("VN_DRIVER_TRACE", FFile.c_str(), 1); }
  ~TDriverTrace() { unsetenv("VN_DRIVER_TRACE"); }

  const fs::path& File() const { return FFile; }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::ifstream in(FFile);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

 private:
  TTempFolder FFolder{"vnapp-trace"};
  fs::path FFile;
};
