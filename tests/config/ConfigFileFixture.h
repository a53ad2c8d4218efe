#pragma once
// The configuration file tests' folder: the file S7DRV.CFG in a temporary
// folder of the test's own, and children that run a step as another user
// or under other limits.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ConfigFile.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

class ConfigFile : public TempFolderTest {
 protected:
  void SetUp() override {
    fs::create_directories(dir / "tmp");
    // Safe copies of in-place saves go to the temporary folder: one of the
    // test's own, open to every user as /tmp is.
    fs::permissions(dir / "tmp", fs::perms::all | fs::perms::sticky_bit);
    const char* previous = std::getenv("TMPDIR");
    savedTmpDir = previous ? std::optional<std::string>(previous) : std::nullopt;
    ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);
  }
  void TearDown() override {
    if (savedTmpDir)
      ::setenv("TMPDIR", savedTmpDir->c_str(), 1);
    else
      ::unsetenv("TMPDIR");
  }

  // Loads bytes written to a file, as the card does.
  void Load(const std::string& bytes) {
    WriteBytes(file(), bytes);
    LoadConfigFile(file(), config, fileLines, channelLines, encoding);
  }
  std::string file() const { return (dir / "S7DRV.CFG").string(); }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
      if (entry.path().filename() != "tmp") names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::optional<std::string> savedTmpDir;
  TConfigInfo config{"/suite/drv/S7DRV.CFG"};
  TStrings fileLines;
  TStrings channelLines;
  TTextEncoding encoding = TTextEncoding::Utf8;
};

// Runs body in a child process and returns its exit code; 0 means the child
// saw the failure it expected. A child keeps process-wide changes (user id,
// file size limit) away from the rest of the tests.
inline int InChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// The superuser reads and writes everything; a child drops to an ordinary user.
inline bool BecomeOrdinaryUser() {
  if (::geteuid() != 0) return true;
  const passwd* nobody = ::getpwnam("nobody");
  return nobody && ::setgid(nobody->pw_gid) == 0 && ::setuid(nobody->pw_uid) == 0;
}
