// Loading the configuration file: line ends, encoding, the channel block
// and everything under the file's name that is not a readable file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "ConfigFile.h"
#include "ConfigFileFixture.h"
#include "ConfigTexts.h"
#include "FileStore.h"
#include "HW_Channels.h"
#include "TempFolder.h"
#include "VNErrors.h"

namespace {

const fs::path kData = fs::path(VN_TEST_DATA_DIR) / "config";

const TStrings kExampleChannelLines{"SPS", "\tE", "\t\t0", "\t\t1",  "\tA",     "\t\t4", "\tM",
                                    "\tT", "\tZ", "\tDB",  "\t\t10", "\t\t\t2", ""};

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

// The card's path: load, parse, and the channel list built from the lines.
TEST_F(ConfigFile, LoadedBlockParsesIntoChannels) {
  LoadConfigFile((kData / "example.CFG").string(), config, fileLines, channelLines, encoding);
  TLstChannels channels;
  channels.ParseChannelText(channelLines);
  ASSERT_EQ(channels.Count(), 4);
  EXPECT_EQ(channels.FindChannel("SPS;DB;10;2"), channels.Channel(3));
}

}  // namespace
