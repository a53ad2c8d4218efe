#include "tests/support/testsupport/TempFolder.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

TTempFolder::TTempFolder(const std::string& prefix) {
  static unsigned count = 0;
  const std::string stem = prefix + "_" + std::to_string(::getpid()) + "_";
  // Made as create_directories would (the usual permissions), so that tests
  // running parts as another user can enter it.
  do FPath = fs::temp_directory_path() / (stem + std::to_string(++count));
  while (!fs::create_directory(FPath));
}

TTempFolder::~TTempFolder() {
  std::error_code error;
  // Tests take permissions away from the folder; the owner's come back first.
  fs::permissions(FPath, fs::perms::owner_all, fs::perm_options::add, error);
  fs::remove_all(FPath, error);
  if (error) ADD_FAILURE() << "could not remove " << FPath << ": " << error.message();
}

namespace {

std::string CurrentTestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string("vn_") + info->test_suite_name() + "_" + info->name();
  std::replace(name.begin(), name.end(), '/', '_');  // parameterised tests
  return name;
}

}  // namespace

TempFolderTest::TempFolderTest() : folder(CurrentTestName()), dir(folder.Path()) {}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}
