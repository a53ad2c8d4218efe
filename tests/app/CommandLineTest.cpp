// The program's command line, run as a whole process the way scripts run it:
// in a temporary project folder whose drv/ holds the stand-in S7 driver, with
// no display and no QT_QPA_PLATFORM, against the PLC emulator where a PLC is
// needed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/app/CommandLineRun.h"
#include "tests/plc/nodave/RealIo.h"
#include "tests/plc/nodave/ScriptedPlcs.h"

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace fs = std::filesystem;

namespace {

const std::string kPrepared = kPreparedSettings + kSavedChannels;

TEST_F(CommandLineTest, HelpNamesEveryOptionExitCodesAndEnvironment) {
  for (const char* option : {"--help", "-h"}) {
    const TProgramRun run = Run({option});
    ASSERT_EQ(run.exitCode, 0) << option;
    for (const char* part :
         {"-h, --help", "-v, --version", "--dir DIR", "--show", "--set Key=Value", "--check",
          "--read-info", "--list-partners", "--diagnose", "--scan RANGE", "--port N", "--json",
          "Exit codes:", "  2  ", "LANG", "VN_S7_COMn"})
      EXPECT_THAT(run.output, HasSubstr(part));
    EXPECT_EQ(run.errors, "");
  }
  for (const char* option : {"--version", "-v"}) {
    const TProgramRun run = Run({option});
    EXPECT_EQ(run.exitCode, 0) << option;
    EXPECT_THAT(run.output, StartsWith("VN_S7_Config_DRV "));
    EXPECT_EQ(run.errors, "");
  }
}

TEST_F(CommandLineTest, ShowPrintsTheSettingsInFileOrderThenPathAndChannelLineCount) {
  WriteConfig(kPrepared);
  const TProgramRun run = Run({"--show"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.output, SavedSettings("\n") + "Configuration file: " + Path(ConfigFile()) +
                            "\nChannel lines: 7\n");
  EXPECT_EQ(run.errors, "");
  // The file is only read.
  EXPECT_EQ(ConfigBytes(), kPrepared);
}

TEST_F(CommandLineTest, ShowWithoutAFileGivesTheDefaultsAndDirSearchesElsewhere) {
  const fs::path elsewhere = dir / "elsewhere";
  fs::create_directories(elsewhere);
  const TProgramRun run = Run({"--dir", dir.string(), "--show"}, "C", elsewhere);
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_THAT(run.output, HasSubstr("Comport=2\nConnectiontype=0\n"));
  EXPECT_THAT(run.output, HasSubstr("Configuration file: " + Path(ConfigFile()) + "\n"));
  EXPECT_THAT(run.output, HasSubstr("Channel lines: 0\n"));

  // No S7 driver in the folder searched: the dialog's message, exit 1.
  const TProgramRun none = Run({"--show"}, "C", elsewhere);
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(none.output, "");
  EXPECT_THAT(none.errors,
              HasSubstr("No S7 driver was found in the folder \"" + Path(elsewhere / "drv")));
}

// One row per kind of value: whether the dialog would accept it, and what
// the refusal names (every range is checked in the settings' own test).
struct SetCase {
  std::vector<std::string> assignments;
  // The refusal's message; none: accepted, the file then holds each
  // assignment as a line.
  const char* refusal = nullptr;
};

TEST_F(CommandLineTest, SetAcceptsWhatTheDialogAcceptsAndRefusesTheRest) {
  const SetCase cases[] = {
      // Numbers.
      {{"Connectiontype=5"}},
      {{"Connectiontype=6"},
       "The value \"6\" of Connectiontype is refused: allowed are the whole numbers 0 to 5.\n"},
      {{"WriteProtocol=yes"}, "The value \"yes\" of WriteProtocol is refused"},
      {{"IPPort=65535"}},
      {{"IPPort=0"}, "allowed are the whole numbers 1 to 65535."},
      {{"Slot=3a"}, "The value \"3a\" of Slot is refused"},
      // Text.
      {{"IPAddress=plc-7.example"}},
      {{"ProtokollFileName=/var/log/s7 errors.txt"}},
      {{"IPAddress=10.0.0.1\nSlot=9"},
       "The value \"10.0.0.1\\nSlot=9\" of IPAddress is refused: allowed is text on one line.\n"},
      // Keys as in the file, and pairs.
      {{"slot=3"}, "Unknown setting \"slot\"; the settings are: WriteProtocol, "},
      {{"Slot"}, "\"Slot\" is no Key=Value pair.\n"},
      // All or nothing: a refused value keeps the accepted ones out too.
      {{"Slot=4", "Rack=70000"}, "The value \"70000\" of Rack is refused"},
  };
  for (const SetCase& c : cases) {
    SCOPED_TRACE(c.assignments.front());
    WriteConfig(kPrepared);
    std::vector<std::string> arguments;
    for (const std::string& assignment : c.assignments) {
      arguments.push_back("--set");
      arguments.push_back(assignment);
    }
    const TProgramRun run = Run(arguments);
    EXPECT_EQ(run.output, "");
    if (!c.refusal) {
      EXPECT_EQ(run.exitCode, 0) << run.errors;
      EXPECT_EQ(run.errors, "");
      for (const std::string& assignment : c.assignments)
        EXPECT_THAT(ConfigBytes(), HasSubstr(assignment + "\r\n"));
    } else {
      EXPECT_EQ(run.exitCode, 2);
      EXPECT_THAT(run.errors, HasSubstr(c.refusal));
      EXPECT_EQ(ConfigBytes(), kPrepared) << "a refused set must leave the file byte for byte";
    }
  }
}

TEST_F(CommandLineTest, AnAcceptedSetWritesWhatOkWrites) {
  WriteConfig(kPrepared);
  const TProgramRun run = Run(
      {"--set", "Connectiontype=1", "--set", "Comport=4", "--set", "Slot=2", "--set", "Slot=5"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  // The settings in the file's order, then the channel block as the card
  // holds it, as OK saves it.
  EXPECT_EQ(ConfigBytes(),
            SavedSettings("\r\n", {{"Comport", "4"}, {"Connectiontype", "1"}, {"Slot", "5"}}) +
                kSavedChannels);
  // Setting the same again changes nothing: the file does not grow.
  const std::string first = ConfigBytes();
  ASSERT_EQ(Run({"--set", "Slot=5"}).exitCode, 0);
  EXPECT_EQ(ConfigBytes(), first);
}

// Writers take turns: eight runs started at once, each setting another key,
// all land.
TEST_F(CommandLineTest, ConcurrentSetsOfDifferentKeysAllLand) {
  WriteConfig(kPrepared);
  const std::map<std::string, std::string> values = {
      {"Comport", "4"},    {"Baudrate", "1"},   {"LocalMPI", "9"}, {"LocalPPI", "10"},
      {"RemoteMPI", "11"}, {"RemotePPI", "12"}, {"Rack", "2"},     {"Slot", "5"}};
  std::vector<std::unique_ptr<QProcess>> writers;
  for (const auto& [key, value] : values) {
    auto& writer = writers.emplace_back(std::make_unique<QProcess>());
    writer->setProcessEnvironment(NoDisplay());
    writer->setWorkingDirectory(QString::fromStdString(Path(dir)));
    writer->start(VN_PROGRAM, {"--set", QString::fromStdString(key + "=" + value)});
  }
  for (auto& writer : writers) {
    ASSERT_TRUE(writer->waitForFinished(60000));
    EXPECT_EQ(writer->exitCode(), 0) << writer->readAllStandardError().toStdString();
  }
  EXPECT_EQ(ConfigBytes(), SavedSettings("\r\n", values) + kSavedChannels);
}

// A file in Windows-1252 (not valid UTF-8) is shown in UTF-8 and takes new
// text in its own code page; what the code page cannot hold is refused.
TEST_F(CommandLineTest, TextFollowsTheFilesEncoding) {
  const std::string windows1252 = SettingsFile(4, 102) +
                                  "ProtokollFileName=Fehler\xFC.txt\r\n"
                                  ">ChT<\r\nSPS\r\n\tE\r\n\t\t\xE4\r\n\r\n>EOT<\r\n";
  WriteConfig(windows1252);
  const TProgramRun show = Run({"--show"});
  ASSERT_EQ(show.exitCode, 0) << show.errors;
  EXPECT_THAT(show.output, HasSubstr("\nProtokollFileName=errors.txt\n"));  // the first line wins
  const TProgramRun check = Run({"--check"});
  EXPECT_EQ(check.exitCode, 1);
  EXPECT_EQ(check.output, Path(ConfigFile()) + ":19: \xC3\xA4<-- ungültig\n");

  const TProgramRun refused = Run({"--set", "IPAddress=PLC \xE4\xB8\xAD"});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_THAT(refused.errors, HasSubstr("which is written in Windows-1252."));
  EXPECT_EQ(ConfigBytes(), windows1252);

  const TProgramRun accepted = Run({"--set",
                                    "IPAddress=Stra\xC3\x9F"
                                    "e \xE2\x82\xAC"});
  ASSERT_EQ(accepted.exitCode, 0) << accepted.errors;
  EXPECT_THAT(ConfigBytes(), HasSubstr("\r\nIPAddress=Stra\xDF"
                                       "e \x80\r\n"));
  EXPECT_THAT(Run({"--show"}).output, HasSubstr("\nIPAddress=Stra\xC3\x9F"
                                                "e \xE2\x82\xAC\n"));

  // A UTF-8 file takes only UTF-8, so that one value cannot change how the
  // whole file is read.
  // (The byte goes through a shell: the process class passes UTF-8 only.)
  WriteConfig(kPrepared);
  const QProcessEnvironment env = NoDisplay();
  const TProgramRun notUtf8 = project.Run(
      "/bin/sh",
      {"-c", "exec \"$0\" --set \"$(printf 'ProtokollFileName=\\374.txt')\"", VN_PROGRAM}, env);
  EXPECT_EQ(notUtf8.exitCode, 2);
  EXPECT_THAT(notUtf8.errors, HasSubstr("which is written in UTF-8."));
  EXPECT_EQ(ConfigBytes(), kPrepared);
}

TEST_F(CommandLineTest, CheckNamesFileLineEntryAndMarkerOfEveryRefusedEntry) {
  WriteConfig(SettingsFile(4, 102) +     // lines 1 to 14
              ">ChT<\r\n"                // line 15
              "SPS\r\n"                  // 16
              "\tE\r\n"                  // 17
              "\t\t0\r\n"                // 18
              "\t\t256\r\n"              // 19: address out of range
              "\t\tabc\r\n"              // 20: no number
              "\tDB\r\n"                 // 21
              "\t\t0\r\n"                // 22: data block number out of range
              "\t\t\t4091\r\n"           // 23: offset out of range
              "\t\t12\r\n"               // 24
              "\t\t\t7<-- ungültig\r\n"  // 25: an old marker, the entry itself is fine
              "\r\n"
              ">EOT<\r\n");
  const TProgramRun run = Run({"--check"});
  EXPECT_EQ(run.exitCode, 1) << run.errors;
  const std::string file = Path(ConfigFile());
  EXPECT_EQ(run.output, file + ":19: 256<-- ungültig; nur innerhalb [0..255]\n" + file +
                            ":20: ABC<-- ungültig\n" + file +
                            ":22: 0<-- ungültig; nur innerhalb [1..255]\n" + file +
                            ":23: 4091<-- ungültig; nur innerhalb [0..4090]\n");
  EXPECT_EQ(run.errors, "");

  WriteConfig(kPrepared);
  const TProgramRun clean = Run({"--check"});
  EXPECT_EQ(clean.exitCode, 0) << clean.errors;
  EXPECT_EQ(clean.output, "");
  EXPECT_EQ(clean.errors, "");

  // A channel block that cannot be loaded is a file error.
  WriteConfig("Connectiontype=4\r\n>ChT<\r\nSPS\r\n");
  const TProgramRun broken = Run({"--check"});
  EXPECT_EQ(broken.exitCode, 1);
  EXPECT_THAT(broken.errors, HasSubstr(">EOT<"));
}

TEST_F(CommandLineTest, ReadInfoPrintsTheMemoLineAndTheEmulatorsIdentity) {
  nodave::testing::EmulatorProcess emulator;
  WriteConfig(SettingsFile(4, emulator.port()));
  const TProgramRun run = Run({"--read-info"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  // The first line is the memo's text after "Readout Info ".
  EXPECT_EQ(run.output,
            "Order Code:6ES7 315-2EH14-0AB0 \n"
            "System name: SNAP7-SERVER\n"
            "Module type: CPU 315-2 PN/DP\n"
            "Serial number: S C-C2UR28922012\n"
            "Plant designation: \n"
            "Module name: CPU 315-2 PN/DP\n"
            "Firmware version: V3.2.6\n"
            "Operating state: RUN\n");
  EXPECT_EQ(run.errors, "");

  const TProgramRun german = Run({"--read-info"}, "de_DE.UTF-8");
  EXPECT_THAT(german.output, HasSubstr("\nBaugruppentyp: CPU 315-2 PN/DP\n"));
  EXPECT_THAT(german.output, HasSubstr("\nBetriebszustand: RUN\n"));
}

TEST_F(CommandLineTest, ReadInfoWhereNothingListensGivesTheDialogsTextAndExitOne) {
  const int port = nodave::testing::UnusedLoopbackPort();
  WriteConfig(SettingsFile(4, port));
  const TProgramRun run = Run({"--read-info"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output, "");
  const std::string address = "127.0.0.1:" + std::to_string(port);
  EXPECT_EQ(run.errors, "Could not open the port " + std::to_string(port) + "\n" + address +
                            ": connection refused - nothing listens there\n");

  const TProgramRun german = Run({"--read-info"}, "de_DE.UTF-8");
  EXPECT_EQ(german.errors, "Der Port " + std::to_string(port) + " konnte nicht geöffnet werden\n" +
                               address +
                               ": Verbindung abgelehnt - dort wartet niemand auf Verbindungen\n");
}

// A PLC that refuses the read as an S7-1200 without PUT/GET access does.
TEST_F(CommandLineTest, ReadInfoOfARefusedReadIsAFailureWithItsCause) {
  nodave::testing::ScriptedServer server(nodave::testing::RefusesOrderCode([](std::uint16_t ref) {
    return nodave::testing::Hex(
        ("32 03 00 00 " + nodave::testing::RefHex(ref) + " 00 00 00 00 81 04").c_str());
  }));
  WriteConfig(SettingsFile(4, server.port()));
  const TProgramRun run = Run({"--read-info"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output, "Order Code:\n");
  EXPECT_THAT(run.errors, StartsWith("Error: "));
  EXPECT_THAT(run.errors, HasSubstr("\nStep \"order code\": the PLC answered with error "
                                    "0x8104"));
  EXPECT_THAT(run.errors, HasSubstr("allow PUT/GET access"));
}

// The emulator holds data block 1 of 100 bytes and no data block 7; byte a
// of data block 1 holds a, timer 0 the bytes 00 01, counter 20 the bytes
// 0A 0B (no BCD).
TEST_F(CommandLineTest, VerifyListsTheRefusedRunsAndReadShowsWhatChannelsHold) {
  nodave::testing::EmulatorProcess emulator(0, "127.0.0.1", "E=256,T=512,Z=512,DB1=100");
  const std::string settings = SettingsFile(4, emulator.port());
  const auto line = std::to_string(std::count(settings.begin(), settings.end(), '\n') + 1);
  WriteConfig(settings +
              ">ChT<\r\nSPS\r\n\tE\r\n\t\t0\r\n\tT\r\n\t\t0\r\n\tZ\r\n\t\t20\r\n"
              "\tDB\r\n\t\t1\r\n\t\t\t99\r\n\t\t\t100\r\n\t\t\t101\r\n"
              "\t\t7\r\n\t\t\t0\r\n\t\t\t1\r\n\r\n>EOT<\r\n");
  const auto at = [&](int offset) { return std::to_string(std::stoi(line) + offset); };
  const std::string file = Path(ConfigFile());
  const TProgramRun verify = Run({"--verify"});
  EXPECT_EQ(verify.exitCode, 1) << verify.errors;
  EXPECT_EQ(verify.output,
            file + ":" + at(11) + "-" + at(12) +
                ": SPS;DB;1;100 .. SPS;DB;1;101 (2 channels): beyond the end of data block 1 "
                "(100 bytes)\n" +
                file + ":" + at(14) + "-" + at(15) +
                ": SPS;DB;7;0 .. SPS;DB;7;1 (2 channels): data block 7 does not exist in the "
                "PLC\nChannels checked: 8, refused: 4\n");
  const QJsonObject document =
      QJsonDocument::fromJson(QByteArray::fromStdString(Run({"--verify", "--json"}).output))
          .object();
  EXPECT_EQ(document["checked"].toInt(), 8);
  EXPECT_EQ(document["refused"].toInt(), 4);
  const QJsonObject missing = document["refusals"].toArray()[1].toObject();
  EXPECT_EQ(missing["first"].toString(), "SPS;DB;7;0");
  EXPECT_EQ(missing["last_line"].toInt(), std::stoi(at(15)));
  EXPECT_EQ(missing["count"].toInt(), 2);
  EXPECT_EQ(missing["item_return_code"].toInt(), 10);

  const TProgramRun read = Run({"--read", "SPS;DB;1;42", "SPS;T;0", "SPS;Z;20", "SPS;DB;1;100"});
  EXPECT_EQ(read.exitCode, 1);
  EXPECT_EQ(read.output,
            "SPS;DB;1;42 = 42 (0x2A)\nSPS;T;0 = 10 ms (0x0001)\nSPS;Z;20 = invalid (0x0A0B)\n");
  EXPECT_EQ(read.errors, "SPS;DB;1;100: beyond the end of data block 1 (100 bytes)\n");
  const QJsonArray values =
      QJsonDocument::fromJson(
          QByteArray::fromStdString(Run({"--read", "--json", "SPS;E;7", "SPS;DB;7;0"}).output))
          .array();
  ASSERT_EQ(values.size(), 2);
  EXPECT_EQ(values[0].toObject(), (QJsonObject{{"channel", "SPS;E;7"}, {"value", 7}, {"raw", 7}}));
  EXPECT_EQ(values[1]["error"].toString(), "data block 7 does not exist in the PLC");

  // Outside the tree's ranges: refused before anything is sent.
  const TProgramRun outside = Run({"--read", "SPS;DB;0;1"});
  EXPECT_EQ(outside.exitCode, 2);
  EXPECT_THAT(outside.errors, HasSubstr("\"SPS;DB;0;1\" is no channel"));
}

TEST_F(CommandLineTest, DiagnoseTakesEveryStepOfAWorkingConnection) {
  nodave::testing::EmulatorProcess emulator;
  WriteConfig(SettingsFile(4, emulator.port()));
  const TProgramRun run = Run({"--diagnose"});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.errors, "");
  std::vector<std::string> steps;
  for (const QString& line : QString::fromStdString(run.output).split('\n', Qt::SkipEmptyParts)) {
    EXPECT_THAT(line.toStdString(), ::testing::MatchesRegex(".*  ok +[0-9]+ ms.*"));
    steps.push_back(line.section("  ", 0, 0).toStdString());
  }
  EXPECT_EQ(steps, (std::vector<std::string>{"configuration file", "name look-up", "TCP connect",
                                             "ISO connect", "S7 set-up", "order code", "identity",
                                             "operating state"}));
  EXPECT_THAT(run.output, HasSubstr("PDU size 480"));
}

TEST_F(CommandLineTest, DiagnoseFindsTheRackAndSlotThePlcAccepts) {
  // The file's slot 3 is refused; the search tries slots 0, 1 and 2 of rack 0.
  nodave::testing::ScriptedServer server(nodave::testing::AcceptsOnlyRack0Slot2, 1 + 3);
  WriteConfig(SettingsText({{"Connectiontype", "4"},
                            {"IPAddress", "127.0.0.1"},
                            {"IPPort", std::to_string(server.port())},
                            {"Rack", "0"},
                            {"Slot", "3"}}));
  const TProgramRun run = Run({"--diagnose"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_THAT(run.output, HasSubstr("TCP connect"));
  EXPECT_THAT(run.output, ::testing::ContainsRegex("ISO connect +FAILED"));
  EXPECT_THAT(run.output, ::testing::ContainsRegex("rack/slot search +ok .*rack 0, slot 2"));
  EXPECT_THAT(run.errors, HasSubstr("rack 0, slot 3 - check rack and slot"));
  EXPECT_THAT(run.errors, HasSubstr("VN_S7_Config_DRV --set Rack=0 --set Slot=2\n"));
}

// A pair is offered only when the S7 set-up on it succeeds: this device
// confirms the ISO connection on every pair but the file's, then hangs up.
TEST_F(CommandLineTest, DiagnoseOffersNoPairThatFailsAtTheSetUp) {
  using namespace nodave::testing;
  ScriptedServer server(
      [](int fd) {
        const auto request = ReadTpkt(fd);
        if (request.size() != 22 || request[21] == 0x02) return;  // the file's slot 2
        WriteBytes(fd, ConnectConfirm());
        ReadTpkt(fd);  // the set-up, left unanswered as the line closes
      },
      1 + 6);
  WriteConfig(SettingsFile(4, server.port()));
  const TProgramRun run = Run({"--diagnose"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_THAT(run.output, ::testing::ContainsRegex("rack/slot search +FAILED"));
  EXPECT_THAT(run.errors, ::testing::Not(HasSubstr("--set Rack")));
}

// A port whose service is no S7 PLC is named so, without rack/slot advice
// and without a search.
TEST_F(CommandLineTest, DiagnoseNamesAServiceThatIsNoS7Plc) {
  using namespace nodave::testing;
  ScriptedServer server([](int fd) {
    ReadTpkt(fd);
    WriteBytes(fd, Hex("48 54 54 50 2F 31 2E 31 20 34 30 30 0D 0A 0D 0A"));  // HTTP/1.1 400
  });
  WriteConfig(SettingsFile(4, server.port()));
  const TProgramRun run = Run({"--diagnose"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_THAT(run.output, ::testing::ContainsRegex("ISO connect +FAILED"));
  EXPECT_THAT(run.output, ::testing::Not(HasSubstr("rack/slot search")));
  EXPECT_THAT(run.errors, HasSubstr("this service at 127.0.0.1:" + std::to_string(server.port()) +
                                    " does not answer as an S7 PLC\n"));
  EXPECT_THAT(run.errors, ::testing::Not(HasSubstr("rack")));
}

TEST_F(CommandLineTest, ListPartnersNeedsABusType) {
  WriteConfig(kPrepared);  // ISO over TCP
  const TProgramRun run = Run({"--list-partners"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output, "");
  EXPECT_THAT(run.errors, HasSubstr("Connectiontype=4"));

  // An MPI type whose serial port does not open: the library's text.
  WriteConfig(SettingsFile(0, 102, 9));
  const TProgramRun mpi = Run({"--list-partners"});
  EXPECT_EQ(mpi.exitCode, 1);
  EXPECT_THAT(mpi.errors, StartsWith("Error: "));
}

// An MPI bus behind a scripted PC adapter on a pseudo-terminal, which the
// program reaches as COM3 through VN_S7_COM3.
TEST_F(CommandLineTest, ListPartnersPrintsTheAddressesThatAnswer) {
  nodave::testing::PtyPeer pty;
  nodave::testing::AdapterSide adapter{};
  pty.run([&adapter](int master) {
    adapter.fd = master;
    adapter.receive();  // join the bus
    adapter.send({0x01, 0x03, 0x20, 'V', '0', '0', '.', '8', '5'});
    adapter.receive();  // bus scan: addresses 0, 2 and 126 answer
    std::vector<std::uint8_t> scan{0x01, 0x07, 0x20, 0x00, 0x00, 0x1F};
    scan.resize(6 + 127, 0x10);
    scan[6 + 0] = scan[6 + 2] = scan[6 + 125] = 0x30;
    adapter.send(scan);
    adapter.receive();  // leave the bus
    adapter.send({0x01, 0x04, 0x20});
  });
  WriteConfig(SettingsFile(0, 102, 3));
  QProcessEnvironment env = NoDisplay();
  env.insert("VN_S7_COM3", QString::fromStdString(pty.name()));
  const TProgramRun run = project.Run(VN_PROGRAM, {"--list-partners"}, env);
  pty.join();
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.output, "0\n2\n125\n");
  EXPECT_EQ(run.errors, "");
  EXPECT_FALSE(adapter.failed);
  EXPECT_EQ(adapter.telegrams.size(), 3u);
}

TEST_F(CommandLineTest, UnusableCommandLinesEndWithExitTwoInTheUsersLanguage) {
  struct Case {
    std::vector<std::string> arguments;
    const char* language;
    const char* message;
  } cases[] = {
      {{"--bogus"}, "C", "Unknown option 'bogus'."},
      {{"--bogus"}, "de_DE.UTF-8", "Unbekannte Option 'bogus'."},
      {{"--show", "--check"}, "C", "Only one of --show, --set, --check"},
      {{"--show", "extra"}, "C", "Unexpected argument \"extra\"."},
      {{"--set"}, "C", "Missing value after '--set'."},
      {{"--dir", "", "--show"}, "C", "The option --dir needs a folder."},
      {{"--set", "Slot=70000"},
       "de_DE.UTF-8",
       "Der Wert \"70000\" für Slot wird abgelehnt: erlaubt sind die ganzen Zahlen 0 bis 65535."},
      {{"--scan", "10.0.0.0/15"}, "C", "The range \"10.0.0.0/15\" is larger than /16"},
      {{"--scan", "10.0.0.1", "--port", "0"},
       "C",
       "The value \"0\" of --port is refused: allowed are the whole numbers 1 to 65535."},
      {{"--port", "102", "--show"}, "C", "The option --port goes only with --scan."},
      {{"--json", "--set", "Slot=1"}, "C", "The option --json goes only with --show, --check"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const TProgramRun run = Run(c.arguments, c.language);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.output, "");
    EXPECT_THAT(run.errors, HasSubstr(c.message));
  }
}

}  // namespace
