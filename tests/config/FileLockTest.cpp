// The writers' lock of a configuration file against a second writer in a
// process of its own, which waits only briefly.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "config/FileLock.h"
#include "support/VNErrors.h"
#include "tests/support/testsupport/TempFolder.h"

namespace {

// Exit code 0 when the second writer got the lock, 1 when it was told that
// another program is writing.
[[noreturn]] void SecondWriter(const std::string& path) {
  try {
    const TFileLock turn(path, std::chrono::milliseconds(50));
  } catch (const EFileError& error) {
    std::_Exit(
        std::string(error.what()).find("another program is writing") != std::string::npos ? 1 : 2);
  }
  std::_Exit(0);
}

class FileLockTest : public TempFolderTest {};

TEST_F(FileLockTest, ALockKeepsTheNextWriterOutUntilItEnds) {
  const std::string path = (dir / "libs7drv.CFG").string();
  WriteBytes(path, "Connectiontype=4\r\n");
  std::optional<TFileLock> first(std::in_place, path);
  EXPECT_EXIT(SecondWriter(path), ::testing::ExitedWithCode(1), "");
  first.reset();
  EXPECT_EXIT(SecondWriter(path), ::testing::ExitedWithCode(0), "");
}

}  // namespace
