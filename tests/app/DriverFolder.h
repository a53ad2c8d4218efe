#pragma once
// A temporary project folder with a drv/ folder that tests fill with copies
// of the stand-in driver libraries; removed with everything in it.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

inline const fs::path kDemoDrivers = fs::path(VN_BUILD_DIR) / "demo" / "drv";
inline const fs::path kFixtureDrivers = fs::path(VN_BUILD_DIR) / "tests" / "fixtures" / "drivers";

class TDriverFolder {
 public:
  // subPath: folders to create between the temporary folder and drv/.
  explicit TDriverFolder(const fs::path& subPath = {}) {
    std::string pattern = (fs::temp_directory_path() / "vnapp-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    FRoot = pattern;
    FProject = subPath.empty() ? FRoot : FRoot / subPath;
    fs::create_directories(Drv());
  }
  TDriverFolder(const TDriverFolder&) = delete;
  TDriverFolder& operator=(const TDriverFolder&) = delete;
  ~TDriverFolder() {
    std::error_code ignored;
    fs::remove_all(FRoot, ignored);
  }

  const fs::path& Project() const { return FProject; }
  fs::path Drv() const { return FProject / "drv"; }

  // Copies library source into drv/ as name.
  void Add(const fs::path& source, const std::string& name) const {
    fs::copy_file(source, Drv() / name, fs::copy_options::overwrite_existing);
  }

 private:
  fs::path FRoot;
  fs::path FProject;
};

// The lines the stand-in drivers append to the file VN_DRIVER_TRACE names.
class TDriverTrace {
 public:
  TDriverTrace() : FFile(fs::temp_directory_path() / ("vnapp-trace-" + std::to_string(getpid()))) {
    fs::remove(FFile);
    setenv("VN_DRIVER_TRACE", FFile.c_str(), 1);
  }
  TDriverTrace(const TDriverTrace&) = delete;
  TDriverTrace& operator=(const TDriverTrace&) = delete;
  ~TDriverTrace() {
    unsetenv("VN_DRIVER_TRACE");
    std::error_code ignored;
    fs::remove(FFile, ignored);
  }

  const fs::path& File() const { return FFile; }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::ifstream in(FFile);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

 private:
  fs::path FFile;
};
