#pragma once
// A fresh folder of its own below the system's temporary folder, removed
// with everything in it when it ends, and the byte-exact file access the
// tests of files need.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

class TTempFolder {
 public:
  // prefix begins the folder's name; the process and a count make it unique.
  explicit TTempFolder(const std::string& prefix = "vn_test");
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::filesystem::path FPath;
};

// A test with its own folder dir, named after the test: there before SetUp,
// removed after the fixture's own members are gone.
class TempFolderTest : public ::testing::Test {
 protected:
  TempFolderTest();

  TTempFolder folder;
  const std::filesystem::path dir;
};

std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
