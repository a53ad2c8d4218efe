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
#include <optional>
#include <regex>

#include "config/ConfigFile.h"
#include "config/FileStore.h"
#include "config/HW_Channels.h"
#include "support/VNErrors.h"
#include "tests/support/testsupport/ConfigTexts.h"
#include "tests/support/testsupport/TempFolder.h"

namespace fs = std::filesystem;

namespace {

const fs::path kData = fs::path(VN_TEST_DATA_DIR) / "config";

const TStrings kExampleChannelLines{"SPS", "\tE", "\t\t0", "\t\t1",  "\tA",     "\t\t4", "\tM",
                                    "\tT", "\tZ", "\tDB",  "\t\t10", "\t\t\t2", ""};

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

TEST(SplitTextLines, AllThreeLineEndsAndNul) {
  const std::pair<std::string, TStrings> cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\nb\n", {"a", "", "b"}},
      {"\r\n", {""}},
      {"\n\r", {"", ""}},
      {std::string("a\nb\0c\nd", 7), {"a", "b"}},
      {std::string("\0a", 2), {}},
      {"\xE4\xF6\x80\xFF\tx\n", {"\xE4\xF6\x80\xFF\tx"}},
  };
  for (const auto& [bytes, lines] : cases) EXPECT_EQ(SplitTextLines(bytes), lines) << bytes;
}

TEST_F(ConfigFile, ReadingAMissingFileNamesIt) {
  try {
    ReadTextLines(file(), encoding);
    FAIL() << "no error";
  } catch (const EFileError& e) {
    EXPECT_NE(std::string(e.what()).find(file()), std::string::npos) << e.what();
  }
}

// Nothing there (a dangling link too) is a missing file: the defaults stay.
// Anything else but a regular file is refused, naming the path. Either way
// nothing the caller holds changes, and a link stays a link.
TEST_F(ConfigFile, LoadingAMissingFileOrAnythingButARegularFileChangesNothing) {
  const fs::path other = fs::path(file()).parent_path() / "other";
  const struct {
    const char* Kind;
    std::function<void()> Make;
    bool Refused;
  } kinds[] = {
      {"nothing", [] {}, false},
      {"dangling link", [&] { fs::create_symlink("gone.CFG", file()); }, false},
      {"folder", [&] { fs::create_directory(file()); }, true},
      // A pipe without writer would make reading wait for ever.
      {"FIFO", [&] { ASSERT_EQ(::mkfifo(file().c_str(), 0666), 0); }, true},
      {"link to a FIFO",
       [&] {
         ASSERT_EQ(::mkfifo(other.c_str(), 0666), 0);
         fs::create_symlink(other, file());
       },
       true},
  };
  for (const auto& [kind, make, refused] : kinds) {
    SCOPED_TRACE(kind);
    fs::remove_all(file());
    fs::remove_all(other);
    make();
    const fs::file_type type = fs::symlink_status(file()).type();
    config.Comport = 9;
    fileLines = {"old"};
    try {
      LoadConfigFile(file(), config, fileLines, channelLines, encoding);
      EXPECT_FALSE(refused) << "no error";
    } catch (const EFileError& e) {
      EXPECT_TRUE(refused) << e.what();
      EXPECT_NE(std::string(e.what()).find(file()), std::string::npos) << e.what();
    }
    EXPECT_EQ(config.Comport, 9);
    EXPECT_EQ(fileLines, TStrings{"old"});
    EXPECT_TRUE(channelLines.empty());
    EXPECT_EQ(fs::symlink_status(file()).type(), type);
  }
}

TEST_F(ConfigFile, AFileAboveTheSizeLimitIsRefusedBeforeItIsRead) {
  WriteBytes(file(), "Comport=5\r\n");
  const std::uintmax_t size = kMaxConfigFileSize + 1;
  fs::resize_file(file(), size);  // sparse: costs no disk
  config.Comport = 9;
  try {
    LoadConfigFile(file(), config, fileLines, channelLines, encoding);
    FAIL() << "no error";
  } catch (const EFileError& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find(file()), std::string::npos) << text;
    EXPECT_NE(text.find(std::to_string(size)), std::string::npos) << text;
    EXPECT_NE(text.find(std::to_string(kMaxConfigFileSize)), std::string::npos) << text;
  }
  EXPECT_EQ(config.Comport, 9);
  EXPECT_TRUE(fileLines.empty());
  fs::resize_file(file(), kMaxConfigFileSize);  // the limit itself is allowed
  EXPECT_NO_THROW(LoadConfigFile(file(), config, fileLines, channelLines, encoding));
  EXPECT_EQ(config.Comport, 2);  // a file full of NULs: defaults
}

TEST_F(ConfigFile, ExampleFileWithEitherLineEnd) {
  for (const char* name : {"example.CFG", "example_lf.CFG"}) {
    TConfigInfo loaded("/suite/drv/S7DRV.CFG");
    TStrings lines{"previous"};
    TStrings channels{"kept"};
    TTextEncoding encoding = TTextEncoding::Windows1252;
    LoadConfigFile((kData / name).string(), loaded, lines, channels, encoding);
    EXPECT_EQ(loaded.Connectiontype, 4) << name;
    EXPECT_EQ(loaded.IPAddress, "192.168.0.10") << name;
    EXPECT_EQ(lines.size(), 29u) << name;  // replaced, not appended
    TStrings expected{"kept"};
    expected.insert(expected.end(), kExampleChannelLines.begin(), kExampleChannelLines.end());
    EXPECT_EQ(channels, expected) << name;
    EXPECT_EQ(encoding, TTextEncoding::Utf8) << name;
  }
}

TEST_F(ConfigFile, EncodingIsDecidedOnceAndTheBytesComeBackUnchanged) {
  std::vector<EncodingCase> cases = EncodingCases();
  cases.push_back({"ASCII", FieldFile("ue", "EUR"), "ue", false});
  // Only the text before a NUL counts, for the encoding as well.
  cases.push_back({"UTF-8 with a NUL before other bytes", cases[0].Bytes + std::string("\0\xFC", 2),
                   cases[0].Umlaut, false});
  for (const EncodingCase& c : cases) {
    SCOPED_TRACE(c.Why);
    const TTextEncoding expected = c.Windows1252 ? TTextEncoding::Windows1252 : TTextEncoding::Utf8;
    config = TConfigInfo(file());
    channelLines.clear();
    encoding = c.Windows1252 ? TTextEncoding::Utf8 : TTextEncoding::Windows1252;
    Load(c.Bytes);
    EXPECT_EQ(encoding, expected);
    EXPECT_EQ(config.WriteProtocol, 1) << "the first key is recognised";
    EXPECT_EQ(config.Comport, 3);
    EXPECT_EQ(config.ProtokollFileName, "C:\\Pr" + c.Umlaut + "fung\\log.TXT");
    EXPECT_EQ(config.IPAddress, "plc-" + c.Umlaut);

    TStrings lines;
    BuildConfigFileLines(config, TStrings(channelLines.begin(), channelLines.end() - 1), lines);
    WriteTextLinesAtomic(file(), lines);
    const std::string bytes = WithoutBom(c.Bytes);
    EXPECT_EQ(ReadBytes(file()), bytes.substr(0, bytes.find('\0')))
        << "unchanged, without the byte-order mark";
  }
}

struct BlockCase {
  const char* Why;
  std::string Bytes;
  TStrings Channels;
};

TEST_F(ConfigFile, ChannelBlockMarkers) {
  const BlockCase cases[] = {
      {"start marker in small letters", "x=1\n>cht<\nSPS\n>EOT<\n", {"SPS"}},
      {"end marker in other case or with a blank is a channel line",
       ">ChT<\n>eot<\n>EOT< \n>EOT<\n",
       {">eot<", ">EOT< "}},
      {"start marker behind a blank is none", " >ChT<\nSPS\n>EOT<\n", {}},
      {"a second start marker is a channel line", ">ChT<\n>ChT<\n\n>EOT<\nafter\n", {">ChT<", ""}},
      {"settings only", "Comport=3\nSlot=1\n", {}},
      {"empty file", "", {}},
      {"empty block", ">ChT<\r\n>EOT<\r\n", {}},
  };
  for (const BlockCase& c : cases) {
    channelLines.clear();
    Load(c.Bytes);
    EXPECT_EQ(channelLines, c.Channels) << c.Why;
  }
}

TEST_F(ConfigFile, SettingsAreFoundBelowTheEndMarker) {
  TStrings lines;
  TConfigInfo saved("");
  saved.SaveToList(lines);
  lines.erase(lines.begin() + 12);  // Rack
  std::string bytes;
  for (const auto& line : lines) bytes += line + "\r\n";
  Load(bytes + ">ChT<\r\n\tRack=4\r\nRack=5\r\n>EOT<\r\nRack=7\r\nComport=9\r\n");
  // The first line from the top wins, block included; "\tRack" is another key.
  EXPECT_EQ(config.Rack, 5);
  EXPECT_EQ(config.Comport, 2);
}

TEST_F(ConfigFile, UnreadableSettingsFallBackButTheBlockIsRead) {
  Load("Comport=abc\n>ChT<\nSPS\n>EOT<\n");
  EXPECT_EQ(config.Comport, 2);
  EXPECT_EQ(config.ProtokollFileName, "/suite/drv/S7DRVErrorLog.TXT");
  EXPECT_EQ(channelLines, TStrings{"SPS"});
}

TEST_F(ConfigFile, StartMarkerWithoutEndNamesFileAndMarker) {
  try {
    Load("Slot=2\n>ChT<\nSPS\n\tE\n");
    FAIL() << "no error";
  } catch (const EListError& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find(file()), std::string::npos) << text;
    EXPECT_NE(text.find("\">EOT<\""), std::string::npos) << text;
  }
  EXPECT_TRUE(channelLines.empty());
}

TEST_F(ConfigFile, NulEndsTheTextEvenInsideTheBlock) {
  // The NUL hides the end marker: the block has none.
  EXPECT_THROW(Load(std::string(">ChT<\nSPS\0\n>EOT<\n", 17)), EListError);
  Load(std::string(">ChT<\nSPS\n>EOT<\n\0Comport=5\n", 27));
  EXPECT_EQ(config.Comport, 2);
}

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

// Runs body in a child process and returns its exit code; 0 means the child
// saw the failure it expected. A child keeps process-wide changes (user id,
// file size limit) away from the rest of the tests.
int InChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
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

// The superuser reads and writes everything; a child drops to an ordinary user.
bool BecomeOrdinaryUser() {
  if (::geteuid() != 0) return true;
  const passwd* nobody = ::getpwnam("nobody");
  return nobody && ::setgid(nobody->pw_gid) == 0 && ::setuid(nobody->pw_uid) == 0;
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
       false, false, true, fs::file_type::regular, kSelf, kSelf,
       0666 &
           ~[] {
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
         // New files are allowed (the saving user's folder): only the owner cannot be given.
         EXPECT_EQ(::chown(d.c_str(), Nobody()->pw_uid, Nobody()->pw_gid), 0);
         return MakeRegular(d / "S7DRV.CFG", 0646, kOtherUser, kOtherGroup);
       },
       true, false, false, fs::file_type::regular, kOtherUser, kOtherGroup, 0646, 1},
      {"writable file in a read-only folder", false,
       [root](const fs::path& d) {
         const passwd* nobody = Nobody();
         const fs::path file =
             root ? MakeRegular(d / "S7DRV.CFG", 0620, nobody->pw_uid, nobody->pw_gid)
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
    EXPECT_EQ(::chown(dir.c_str(), ::geteuid(), ::getegid()), 0);
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
  // Every name the next save would try taken: the error names the last one.
  const std::size_t dash = created[0].rfind('-');
  const int counter = std::stoi(created[0].substr(dash + 1));
  std::string taken;
  for (int next = counter + 1; next <= counter + 100; ++next) {
    taken = (dir / (created[0].substr(0, dash + 1) + std::to_string(next) + ".tmp")).string();
    WriteBytes(taken, "");
  }
  try {
    WriteTextLinesAtomic(file(), {"not saved"});
    ADD_FAILURE() << "saved although no temporary name was free";
  } catch (const EFileError& e) {
    EXPECT_NE(std::string(e.what()).find("\"" + taken + "\": File exists"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(ReadBytes(file()), "renamed\r\n");
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
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0) return 20;
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

TEST_F(ConfigFile, UnreadableFileIsAFileErrorNotAMissingOne) {
  WriteBytes(file(), "Comport=5\r\n");
  fs::permissions(file(), fs::perms::none);
  fs::permissions(dir, fs::perms::all);
  EXPECT_EQ(InChild([&] {
              if (!BecomeOrdinaryUser()) return 10;
              try {
                LoadConfigFile(file(), config, fileLines, channelLines, encoding);
                return 1;
              } catch (const EFileError& e) {
                return std::string(e.what()).find(file()) == std::string::npos ? 2 : 0;
              }
            }),
            0);
  // A folder that cannot be searched hides whether the file exists: an error too.
  fs::permissions(dir, fs::perms::owner_all);
  EXPECT_EQ(InChild([&] {
              if (!BecomeOrdinaryUser()) return 10;
              try {
                LoadConfigFile(file(), config, fileLines, channelLines, encoding);
                return 1;
              } catch (const EFileError&) {
                return 0;
              }
            }),
            0);
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

// The card's path: load, parse, and the channel list built from the lines.
TEST_F(ConfigFile, LoadedBlockParsesIntoChannels) {
  LoadConfigFile((kData / "example.CFG").string(), config, fileLines, channelLines, encoding);
  TLstChannels channels;
  channels.ParseChannelText(channelLines);
  ASSERT_EQ(channels.Count(), 4);
  EXPECT_EQ(channels.FindChannel("SPS;DB;10;2"), channels.Channel(3));
}

}  // namespace
