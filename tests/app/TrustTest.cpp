// The whole program against a second account (setpriv; it needs no name):
// what another account could change is refused, naming itself, the reason
// and the fix, with exit code 1 and nothing loaded; writers of one file take
// turns however they reach it. Root only (CI runs as root).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "tests/app/ProgramProject.h"

using ::testing::HasSubstr;

namespace {

namespace fs = std::filesystem;

constexpr uid_t kOther = 4711;
const fs::path kDriver = fs::path(VN_BUILD_DIR) / "demo" / "drv" / "libs7drv.so";

// user::rwx, user:<kOther>:<named>, group::r-x, mask::<mask>, other::r-x as the
// kernel keeps it: a version, then per entry tag | perm << 16 and the id (little-endian).
void SetAcl(const fs::path& path, std::uint32_t named, std::uint32_t mask) {
  const std::uint32_t words[] = {2,      0x70001, ~0u, named << 16 | 0x02,
                                 kOther, 0x50004, ~0u, mask << 16 | 0x10,
                                 ~0u,    0x50020, ~0u};
  ASSERT_EQ(::setxattr(path.c_str(), "system.posix_acl_access", words, sizeof words, 0), 0);
}

void GiveAway(const fs::path& path) {
  ASSERT_EQ(::lchown(path.c_str(), kOther, kOther), 0) << path;
}

// Every folder and file below path, path included, to the second account.
void GiveAwayAll(const fs::path& path) {
  GiveAway(path);
  for (const auto& entry : fs::recursive_directory_iterator(path)) GiveAway(entry.path());
}

class TrustTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "a second account needs root";
    fs::create_directories(root / "trace");
    fs::permissions(root / "trace", fs::perms::all);  // the second account writes there too
  }

  // A project <name> below up/: drv/ with the stand-in S7 driver.
  fs::path MakeProject(const std::string& name) const {
    const fs::path drv = root / "up" / name / "drv";
    fs::create_directories(drv);
    fs::copy_file(kDriver, drv / "libs7drv.so");
    return drv.parent_path();
  }

  // Runs the program as user in folder, without a display; each run's
  // drivers append to the trace.
  TProgramRun Run(const fs::path& folder, const std::vector<std::string>& arguments,
                  uid_t user = 0) const {
    QProcessEnvironment env = project.Environment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE"})
      env.remove(name);
    env.insert("LANG", "C");
    env.insert("VN_DRIVER_TRACE", QString::fromStdString(Trace().string()));
    QStringList list = AsUser(user) << VN_PROGRAM;
    for (const std::string& argument : arguments) list << QString::fromStdString(argument);
    return project.Run("setpriv", list, env, folder);
  }
  static QStringList AsUser(uid_t user) {
    const QString id = QString::number(user);
    return {"--reuid=" + id, "--regid=" + id, "--clear-groups"};
  }

  fs::path Trace() const { return root / "trace" / "calls"; }
  bool Loaded() const { return fs::exists(Trace()); }

  TProgramProject project{"vn_trust", {}};
  const fs::path root = project.Dir();
};

struct TrustCase {
  const char* Why;
  const char* Refused;                             // below root; null: the run passes
  const char* Reason;                              // a piece of the message: the reason or the fix
  std::function<void(const fs::path& root)> Make;  // changes the project up/p
  uid_t User = 0;
  // --set instead of --show: the configuration file is refused after the
  // drivers were searched.
  bool Writes = false;
};

TEST_F(TrustTest, WhatAnotherAccountCouldChangeIsRefusedBeforeAnythingIsLoaded) {
  const auto mode = [](const char* path, fs::perms perms) {
    return [=](const fs::path& root) { fs::permissions(root / path, perms); };
  };
  const auto all = fs::perms::all, sticky = fs::perms::all | fs::perms::sticky_bit;
  const auto open = [](const fs::path& root) {
    fs::create_directory(root / "up/open");
    fs::permissions(root / "up/open", fs::perms::all);
  };
  const TrustCase cases[] = {
      {"every folder root's", nullptr, nullptr, [](const fs::path&) {}},
      {"a folder above drv/ everyone may write", "up", "chmod o-w \"", mode("up", all)},
      {"a sticky one above root's folder", nullptr, nullptr, mode("up", sticky)},
      {"a sticky one above another account's folder", "up/p", "chown root \"",
       [&](const fs::path& root) {
         fs::permissions(root / "up", sticky);
         GiveAway(root / "up/p");
       }},
      {"drv/ of another account, mode 0755", "up/p/drv", "belongs to the user 4711",
       [](const fs::path& root) { GiveAway(root / "up/p/drv"); }},
      {"an ACL that lets another account write drv/", "up/p/drv", "setfacl -b \"",
       [](const fs::path& root) { SetAcl(root / "up/p/drv", 7, 7); }},
      {"an ACL whose mask withholds that write", nullptr, nullptr,
       [](const fs::path& root) { SetAcl(root / "up/p/drv", 7, 5); }},
      {"an ACL that lets another account write the library", "up/p/drv/libs7drv.so",
       "access control list of the file",
       [](const fs::path& root) { SetAcl(root / "up/p/drv/libs7drv.so", 7, 7); }},
      {"drv/ a link into a folder everyone may write", "up/open", "chmod o-w \"",
       [&](const fs::path& root) {
         open(root);
         fs::rename(root / "up/p/drv", root / "up/open/drv");
         fs::create_directory_symlink("../open/drv", root / "up/p/drv");
       }},
      {"the library a link of another account's in the group's drv/", "up/p/drv/libs7drv.so",
       "chown -h root \"",
       [](const fs::path& root) {
         fs::permissions(root / "up/p/drv", fs::perms::group_write, fs::perm_options::add);
         fs::rename(root / "up/p/drv/libs7drv.so", root / "up/p/real.so");
         fs::create_symlink("../real.so", root / "up/p/drv/libs7drv.so");
         GiveAway(root / "up/p/drv/libs7drv.so");
       }},
      {"links in a loop", "up/p/drv", "cannot be checked: Too many levels of symbolic links",
       [](const fs::path& root) {
         fs::rename(root / "up/p/drv", root / "up/p/lib");
         fs::create_directory_symlink("drv2", root / "up/p/drv");
         fs::create_directory_symlink("drv", root / "up/p/drv2");
       }},
      {"the second account in its own folders", nullptr, nullptr,
       [](const fs::path& root) { GiveAwayAll(root / "up/p"); }, kOther},
      // Last: its file is looked at after the loop.
      {"the configuration file a link to a root-only file in a folder everyone may write",
       "up/open", "is neither read nor written",
       [&](const fs::path& root) {
         open(root);
         WriteBytes(root / "up/open/secret", "secret\n");
         fs::permissions(root / "up/open/secret", fs::perms::owner_read | fs::perms::owner_write);
         fs::create_symlink(root / "up/open/secret", root / "up/p/drv/libs7drv.CFG");
       },
       0, true},
  };
  for (const TrustCase& c : cases) {
    SCOPED_TRACE(c.Why);
    fs::remove_all(root / "up");
    fs::remove(Trace());
    const fs::path folder = MakeProject("p");
    c.Make(root);
    const TProgramRun run = Run(
        folder,
        c.Writes ? std::vector<std::string>{"--set", "Rack=1"} : std::vector<std::string>{"--show"},
        c.User);
    if (!c.Refused) {
      EXPECT_EQ(run.exitCode, 0) << run.errors;
      EXPECT_TRUE(Loaded());
      continue;
    }
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, "");
    EXPECT_THAT(run.errors, HasSubstr("\"" + (root / c.Refused).string() + "\""));
    EXPECT_THAT(run.errors, HasSubstr(c.Reason));
    EXPECT_EQ(Loaded(), c.Writes) << "a library was loaded";
  }
  EXPECT_EQ(ReadBytes(root / "up/open/secret"), "secret\n");
}

// Two writers at once, each its own key, a few rounds: both values land.
struct WritersCase {
  const char* Why;
  std::function<void(const fs::path& root)> Make;  // from p and q; the file is p's
  uid_t SecondUser = 0;                            // who writes from q
};

TEST_F(TrustTest, WritersOfOneFileTakeTurnsHoweverTheyReachIt) {
  // Writers in the same folder: CommandLineTest.ConcurrentSetsOfDifferentKeysAllLand.
  const WritersCase cases[] = {
      {"two hard links",
       [](const fs::path& root) {
         fs::create_hard_link(root / "up/p/drv/libs7drv.CFG", root / "up/q/drv/libs7drv.CFG");
       }},
      {"a link into another folder",
       [](const fs::path& root) {
         fs::create_symlink("../../p/drv/libs7drv.CFG", root / "up/q/drv/libs7drv.CFG");
       }},
      {"the folder's owner and another account, through a folder of mode 0711",
       [](const fs::path& root) {
         fs::create_directory(root / "shared");
         fs::rename(root / "up/p/drv/libs7drv.CFG", root / "shared/s7.CFG");
         fs::permissions(root / "shared/s7.CFG", fs::perms::all & ~fs::perms::owner_exec &
                                                     ~fs::perms::group_exec &
                                                     ~fs::perms::others_exec);
         fs::permissions(root / "shared",
                         fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
         fs::create_symlink(root / "shared/s7.CFG", root / "up/p/drv/libs7drv.CFG");
         fs::create_symlink(root / "shared/s7.CFG", root / "up/q/drv/libs7drv.CFG");
         GiveAwayAll(root / "up/q");
       },
       kOther},
  };
  for (const WritersCase& c : cases) {
    SCOPED_TRACE(c.Why);
    fs::remove_all(root / "up");
    fs::remove_all(root / "shared");
    const fs::path p = MakeProject("p"), q = MakeProject("q");
    WriteBytes(p / "drv/libs7drv.CFG", kPreparedSettings + kSavedChannels);
    c.Make(root);
    for (int round = 0; round < 4; ++round) {
      const std::string rack = std::to_string(10 + round), slot = std::to_string(20 + round);
      auto first = std::async(std::launch::async, [&] {
        return Run(p, {"--set", "Rack=" + rack});
      });
      const TProgramRun second = Run(q, {"--set", "Slot=" + slot}, c.SecondUser);
      EXPECT_EQ(second.exitCode, 0) << second.errors;
      EXPECT_EQ(first.get().exitCode, 0);
      EXPECT_EQ(ReadBytes(p / "drv/libs7drv.CFG"),
                SavedSettings("\r\n", {{"Rack", rack}, {"Slot", slot}}) + kSavedChannels)
          << "round " << round;
    }
  }
}

// Reading the file gives no right to hold its writers back.
TEST_F(TrustTest, AnotherAccountsReadOnlyFlockHoldsNoWriterBack) {
  const fs::path p = MakeProject("p");
  WriteBytes(p / "drv/libs7drv.CFG", kPreparedSettings + kSavedChannels);
  std::vector<std::unique_ptr<QProcess>> holders;
  for (const fs::path& held : {p / "drv", p / "drv/libs7drv.CFG"}) {
    auto& holder = holders.emplace_back(std::make_unique<QProcess>());
    const QString file = QString::fromStdString(held);
    holder->start("setpriv", AsUser(kOther) + QStringList{"flock", "-x", file, "sh", "-c",
                                                          "echo held; exec sleep 60"});
    ASSERT_TRUE(holder->waitForReadyRead(10000)) << "the lock was not taken";
  }
  const TProgramRun run = Run(p, {"--set", "Rack=5"});
  for (auto& holder : holders) holder->kill();
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(ReadBytes(p / "drv/libs7drv.CFG"),
            SavedSettings("\r\n", {{"Rack", "5"}}) + kSavedChannels);
}

}  // namespace
