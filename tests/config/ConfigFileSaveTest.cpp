// Saving the configuration file: its layout, what the file under the name
// is and stays, temporary files and safe copies, and failed writes that
// keep the old content.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <regex>

#include "ConfigFile.h"
#include "ConfigFileFixture.h"
#include "FileStore.h"
#include "TempFolder.h"
#include "VNErrors.h"

namespace {

TEST_F(ConfigFile, SavedFileLayoutAndRoundTrip) {
  const TStrings channels{"SPS", "\tE", "\t\t\xE4", "\tDB", "\t\t10", "\t\t\t2"};
  TConfigInfo saved(file());
  saved.Connectiontype = 4;
  TStrings lines{"stale"};
  BuildConfigFileLines(saved, channels, lines);
  WriteTextLinesAtomic(file(), lines);

  std::string expected;
  TStrings settings;
  saved.SaveToList(settings);
  for (const auto& line : settings) expected += line + "\r\n";
  expected += ">ChT<\r\n";
  for (const auto& line : channels) expected += line + "\r\n";
  expected += "\r\n>EOT<\r\n";
  EXPECT_EQ(ReadBytes(file()), expected);

  TConfigInfo loaded(file());
  LoadConfigFile(file(), loaded, fileLines, channelLines, encoding);
  EXPECT_EQ(loaded.Connectiontype, 4);
  TStrings withEmpty = channels;
  withEmpty.emplace_back();
  EXPECT_EQ(channelLines, withEmpty);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"S7DRV.CFG"});  // no temporary left
}

TEST_F(ConfigFile, NoChannelLinesGiveMarkerEmptyLineMarker) {
  TStrings lines;
  BuildConfigFileLines(TConfigInfo(""), {}, lines);
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(TStrings(lines.begin() + 14, lines.end()), (TStrings{">ChT<", "", ">EOT<"}));
}

TEST_F(ConfigFile, LfFileIsWrittenBackWithCrLf) {
  Load("Comport=3\n>ChT<\nSPS\n>EOT<\n");
  TStrings lines;
  BuildConfigFileLines(config, channelLines, lines);
  WriteTextLinesAtomic(file(), lines);
  const std::string bytes = ReadBytes(file());
  EXPECT_NE(bytes.find("\r\n>ChT<\r\nSPS\r\n\r\n>EOT<\r\n"), std::string::npos);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'),
            std::count(bytes.begin(), bytes.end(), '\r'));
}

// 0 when writing raised EFileError naming the file, else a code saying what happened.
int ExpectFileError(const std::string& path, const TStrings& lines) {
  try {
    WriteTextLinesAtomic(path, lines);
    return 1;  // reported success
  } catch (const EFileError& e) {
    return std::string(e.what()).find(path) == std::string::npos ? 2 : 0;
  } catch (...) {
    return 3;
  }
}

// What a save finds under the configuration file's name, and what must be
// on disk afterwards.
struct FileKindCase {
  const char* Kind;
  bool NeedsRoot;
  // Builds the kind in dir under the name S7DRV.CFG; returns the file that
  // holds (or is to hold) the content.
  std::function<fs::path(const fs::path& dir)> Make;
  bool AsOrdinaryUser;  // saved by "nobody" when run as root
  bool Refused;         // EFileError naming the path, nothing on disk changed
  bool NameStaysLink;
  fs::file_type TargetType;
  uid_t Owner;  // kSelf: whoever runs the save
  gid_t Group;
  mode_t Mode;
  nlink_t Links;
};

constexpr uid_t kSelf = static_cast<uid_t>(-1);
constexpr uid_t kOtherUser = 4711;
constexpr gid_t kOtherGroup = 4712;

struct stat StatusOf(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
  return status;
}

fs::path MakeRegular(const fs::path& file, mode_t mode, uid_t owner = kSelf, gid_t group = kSelf) {
  WriteBytes(file, "old\r\n");
  if (owner != kSelf) EXPECT_EQ(::chown(file.c_str(), owner, group), 0);
  EXPECT_EQ(::chmod(file.c_str(), mode), 0);
  return file;
}

const passwd* Nobody() {
  return ::getpwnam("nobody");
}

TEST_F(ConfigFile, SavingKeepsWhatTheFileIs) {
  const bool root = ::geteuid() == 0;
  const FileKindCase cases[] = {
      {"regular file", false, [](const fs::path& d) { return MakeRegular(d / "S7DRV.CFG", 0640); },
       false, false, false, fs::file_type::regular, kSelf, kSelf, 0640, 1},
      {"symbolic link to a regular file", false,
       [](const fs::path& d) {
         fs::create_directory(d / "real");
         fs::create_symlink("real/S7.CFG", d / "S7DRV.CFG");
         return MakeRegular(d / "real" / "S7.CFG", 0604);
       },
       false, false, true, fs::file_type::regular, kSelf, kSelf, 0604, 1},
      {"dangling symbolic link", false,
       [](const fs::path& d) {
         fs::create_symlink(d / "target.CFG", d / "S7DRV.CFG");
         return d / "target.CFG";
       },
       false, false, true, fs::file_type::regular, kSelf, kSelf, 0666 & ~[] {
         const mode_t mask = ::umask(0);
         ::umask(mask);
         return mask;
       }(),
       1},
      {"hard link", false,
       [](const fs::path& d) {
         MakeRegular(d / "other.CFG", 0644);
         // Longer than the new content: the write in place must cut the rest off.
         WriteBytes(d / "other.CFG", "old content, longer than the new\r\n");
         fs::create_hard_link(d / "other.CFG", d / "S7DRV.CFG");
         return d / "other.CFG";
       },
       false, false, false, fs::file_type::regular, kSelf, kSelf, 0644, 2},
      {"symbolic link to a FIFO", false,
       [](const fs::path& d) {
         EXPECT_EQ(::mkfifo((d / "fifo").c_str(), 0666), 0);
         fs::create_symlink("fifo", d / "S7DRV.CFG");
         return d / "fifo";
       },
       false, true, true, fs::file_type::fifo, kSelf, kSelf, 0, 1},
      {"FIFO", false,
       [](const fs::path& d) {
         EXPECT_EQ(::mkfifo((d / "S7DRV.CFG").c_str(), 0666), 0);
         return d / "S7DRV.CFG";
       },
       false, true, false, fs::file_type::fifo, kSelf, kSelf, 0, 1},
      {"symbolic link to a character device", true,
       [](const fs::path& d) {
         // The same device numbers as /dev/null, but a node of the test's own.
         EXPECT_EQ(::mknod((d / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
         fs::create_symlink(d / "null", d / "S7DRV.CFG");
         return d / "null";
       },
       false, true, true, fs::file_type::character, kSelf, kSelf, 0, 1},
      {"another user's file, mode 0640", true,
       [](const fs::path& d) {
         return MakeRegular(d / "S7DRV.CFG", 0640, kOtherUser, kOtherGroup);
       },
       false, false, false, fs::file_type::regular, kOtherUser, kOtherGroup, 0640, 1},
      {"another user's file with set-user-ID and set-group-ID", true,
       [](const fs::path& d) {
         return MakeRegular(d / "S7DRV.CFG", 06754, kOtherUser, kOtherGroup);
       },
       false, false, false, fs::file_type::regular, kOtherUser, kOtherGroup, 0754, 1},
      {"another user's file that others may write, saved by an ordinary user", true,
       [](const fs::path& d) {
         fs::permissions(d,
                         fs::perms::all);  // new files are allowed: only the owner cannot be given
         return MakeRegular(d / "S7DRV.CFG", 0646, kOtherUser, kOtherGroup);
       },
       true, false, false, fs::file_type::regular, kOtherUser, kOtherGroup, 0646, 1},
      {"writable file in a read-only folder", false,
       [root](const fs::path& d) {
         const passwd* nobody = Nobody();
         const fs::path file = root ? MakeRegular(d / "S7DRV.CFG", 0620, nobody->pw_uid, nobody->pw_gid)
                                    : MakeRegular(d / "S7DRV.CFG", 0620);
         fs::permissions(d, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
         return file;
       },
       true, false, false, fs::file_type::regular, kSelf, kSelf, 0620, 1},
  };
  for (const FileKindCase& c : cases) {
    SCOPED_TRACE(c.Kind);
    if (c.NeedsRoot && !root) {
      std::cout << "[  SKIPPED ] " << c.Kind << ": needs the superuser\n";
      continue;
    }
    if (c.AsOrdinaryUser && root && !Nobody()) {
      std::cout << "[  SKIPPED ] " << c.Kind << ": no user \"nobody\"\n";
      continue;
    }
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
    for (const auto& entry : fs::directory_iterator(dir))
      if (entry.path().filename() != "tmp") fs::remove_all(entry.path());
    const fs::path target = c.Make(dir);
    std::vector<std::string> entriesAfter = FolderEntries();
    if (!fs::exists(fs::symlink_status(target))) {  // a dangling link's target is created
      entriesAfter.push_back(target.filename());
      std::sort(entriesAfter.begin(), entriesAfter.end());
    }

    const int result = InChild([&] {
      if (c.AsOrdinaryUser && !BecomeOrdinaryUser()) return 10;
      if (c.Refused) return ExpectFileError(file(), {"new"});
      try {
        WriteTextLinesAtomic(file(), {"new"});
        return 0;
      } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
      }
    });
    EXPECT_EQ(result, 0);

    EXPECT_EQ(FolderEntries(), entriesAfter) << "no temporary file left, nothing else created";
    EXPECT_TRUE(fs::is_empty(dir / "tmp")) << "the safe copy is gone after a good save";
    EXPECT_EQ(fs::is_symlink(file()), c.NameStaysLink);
    const struct stat status = StatusOf(target);
    EXPECT_EQ(fs::status(target).type(), c.TargetType);
    if (c.TargetType != fs::file_type::regular) continue;
    const uid_t self = c.AsOrdinaryUser && root ? Nobody()->pw_uid : ::geteuid();
    const gid_t selfGroup = c.AsOrdinaryUser && root ? Nobody()->pw_gid : ::getegid();
    EXPECT_EQ(status.st_uid, c.Owner == kSelf ? self : c.Owner);
    EXPECT_EQ(status.st_gid, c.Group == kSelf ? selfGroup : c.Group);
    EXPECT_EQ(status.st_mode & 07777, c.Mode);
    EXPECT_EQ(status.st_nlink, c.Links);
    EXPECT_EQ(ReadBytes(target), "new\r\n");
    EXPECT_EQ(ReadBytes(file()), "new\r\n");
  }
}

// Names of the files created in folder while body runs.
std::vector<std::string> CreatedDuring(const fs::path& folder, const std::function<void()>& body) {
  const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  EXPECT_GE(fd, 0);
  EXPECT_GE(::inotify_add_watch(fd, folder.c_str(), IN_CREATE), 0);
  body();
  std::vector<std::string> names;
  alignas(inotify_event) char buffer[8192];
  for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) {
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->len > 0) names.emplace_back(event->name);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  ::close(fd);
  return names;
}

TEST_F(ConfigFile, TemporaryFilesSayWhatTheyAreAndWhoseSaveItWas) {
  const std::string tag = "S7DRV\\.CFG\\.VN_S7_Config_DRV-save-pid" + std::to_string(::getpid());
  WriteBytes(file(), "old\r\n");
  // Replaced by renaming: the temporary file is beside it.
  std::vector<std::string> created =
      CreatedDuring(dir, [&] { WriteTextLinesAtomic(file(), {"renamed"}); });
  ASSERT_EQ(created.size(), 1u);
  EXPECT_TRUE(std::regex_match(created[0], std::regex(tag + "-[0-9]+\\.tmp"))) << created[0];
  // Written in place (a hard link): the safe copy is in the temporary folder.
  fs::create_hard_link(file(), dir / "other.CFG");
  created = CreatedDuring(dir / "tmp", [&] { WriteTextLinesAtomic(file(), {"in place"}); });
  ASSERT_EQ(created.size(), 1u);
  EXPECT_TRUE(std::regex_match(created[0], std::regex(tag + "-[A-Za-z0-9]{6}"))) << created[0];
}

TEST_F(ConfigFile, FailedWriteInAReadOnlyFolderKeepsTheOldFile) {
  const std::string old = "WriteProtocol=0\r\nold content\r\n";
  WriteBytes(file(), old);
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                           fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  const int result = InChild([&] {
    if (!BecomeOrdinaryUser()) return 10;
    return ExpectFileError(file(), {"new content"});
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadBytes(file()), old);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"S7DRV.CFG"});
}

TEST_F(ConfigFile, FailedWriteOnAFullDiskKeepsTheOldFile) {
  const std::string old = "WriteProtocol=0\r\nold content\r\n";
  WriteBytes(file(), old);
  // A file size limit makes the kernel refuse the write part way, as a full
  // disk does (EFBIG instead of ENOSPC); the temporary file is cut short.
  const TStrings big(2000, std::string(100, 'x'));
  const int result = InChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
    return ExpectFileError(file(), big);
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadBytes(file()), old);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"S7DRV.CFG"});
}

// A hard-linked file on a full disk: the in-place write fails part way, and
// the message names the safe copy, which holds the whole new content.
TEST_F(ConfigFile, FailedInPlaceWriteNamesTheSafeCopy) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs the superuser";
  const fs::path small = dir / "small";
  fs::create_directory(small);
  const TStrings lines(300, std::string(100, 'n'));
  const int result = InChild([&] {
    // A mount of this process alone, gone when it ends.
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr))
      return 20;
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) return 20;
    WriteBytes(small / "S7DRV.CFG", "old\r\n");
    fs::create_hard_link(small / "S7DRV.CFG", small / "other.CFG");
    WriteBytes(small / "filler", std::string(60 * 1024, 'f'));  // leaves less than the new content
    try {
      WriteTextLinesAtomic((small / "S7DRV.CFG").string(), lines);
      return 1;
    } catch (const EFileError& e) {
      const std::string text = e.what();
      const std::string marker = "the new content is kept in \"";
      const std::size_t at = text.find(marker);
      if (text.find((small / "S7DRV.CFG").string()) == std::string::npos || at == std::string::npos)
        return 2;
      const std::string copy =
          text.substr(at + marker.size(), text.find('"', at + marker.size()) - at - marker.size());
      std::string expected;
      for (const auto& line : lines) expected += line + "\r\n";
      if (fs::path(copy).parent_path() != dir / "tmp" || ReadBytes(copy) != expected) return 3;
      return 0;
    }
  });
  if (result == 20) GTEST_SKIP() << "no private mount possible here";
  EXPECT_EQ(result, 0);
}

TEST_F(ConfigFile, AReadOnlyFileIsNotReplacedEvenInAWritableFolder) {
  const std::string old = "WriteProtocol=0\r\nold content\r\n";
  WriteBytes(file(), old);
  fs::permissions(file(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(dir, fs::perms::all);  // the rename alone would be allowed
  // The saving user's own file: the owner is no obstacle to the rename.
  if (::geteuid() == 0 && Nobody())
    EXPECT_EQ(::chown(file().c_str(), Nobody()->pw_uid, Nobody()->pw_gid), 0);
  const int result = InChild([&] {
    if (!BecomeOrdinaryUser()) return 10;
    return ExpectFileError(file(), {"new content"});
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadBytes(file()), old);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"S7DRV.CFG"});
}

TEST_F(ConfigFile, WritingIntoAMissingFolderNamesTheFile) {
  EXPECT_EQ(ExpectFileError((dir / "no" / "S7DRV.CFG").string(), {"x"}), 0);
}

}  // namespace
