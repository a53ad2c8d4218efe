// What the command line says when the file or the PLC lets it down: the
// settings of a file that fall back to their defaults, or a text a NUL byte
// ends, are named and never written over; a --json run prints one document
// on failure too.
#include <QJsonDocument>
#include <QJsonObject>

#include "tests/app/CommandLineRun.h"
#include "tests/plc/nodave/RealIo.h"

using ::testing::HasSubstr;

namespace {

const std::string kPrepared = kPreparedSettings + kSavedChannels;

// The prepared file with one text replaced.
std::string Prepared(const std::string& text, const std::string& by) {
  std::string bytes = kPrepared;
  bytes.replace(bytes.find(text), text.size(), by);
  return bytes;
}

// Files whose settings fall back to the defaults, or whose text a NUL byte
// ends: --check says why, --set of another key refuses and writes nothing,
// and --set of the key named repairs the file, keeping every other value.
TEST_F(CommandLineTest, SettingsThatFallBackAreNamedAndNeverWrittenOver) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string finding;      // after the file's name
    const char* repair;       // --set that makes the file read whole
    bool loadFails = false;   // a NUL byte hid the end marker
    bool readsWhole = false;  // a value the wire cannot carry: only --check names it
  } cases[] = {
      {"a blank after the number", Prepared("Comport=1", "Comport=7 "),
       ":3: Comport=7 : a blank follows the number; every setting takes its default", "Comport=7"},
      {"no number, in a key of other letter case between lone CRs",
       Prepared("Comport=1\r\n", "\rcomPort=7a\r"),
       ":4: comPort=7a: the value is no whole number; every setting takes its default",
       "Comport=7"},
      {"beyond 32 bits", Prepared("Rack=1", "Rack=4294967296"),
       ":11: Rack=4294967296: the number lies outside the 32-bit range; every setting takes its "
       "default",
       "Rack=1"},
      {"duplicate keys: the first counts", "Slot=\r\n" + kPrepared,
       ":1: Slot=: the value is empty; every setting takes its default", "Slot=3"},
      {"a missing key", Prepared("Slot=3\r\n", ""),
       ": no line for Slot; every setting takes its default", "Slot=3"},
      {"a NUL byte in front", '\0' + kPrepared,
       ": a NUL byte at offset 0 ends the text; the " + std::to_string(kPrepared.size()) +
           " bytes after it are ignored",
       nullptr},
      {"a NUL byte in the channel block", Prepared("\r\n>EOT<", std::string("\0\r\n>EOT<", 8)),
       ": a NUL byte at offset " + std::to_string(kPrepared.size() - 9) +
           " ends the text; the 9 "
           "bytes after it are ignored",
       nullptr, true},
      {"a rack the wire cannot carry", Prepared("Rack=1", "Rack=8"),
       ": Rack is 8, but the connection can carry only 0 to 7", nullptr, false, true},
      {"a bus address the wire cannot carry",
       Prepared("Connectiontype=4\r\nComport=1\r\nBaudrate=3\r\nLocalMPI=5",
                "Connectiontype=0\r\nComport=1\r\nBaudrate=3\r\nLocalMPI=127"),
       ": LocalMPI is 127, but the connection can carry only 0 to 126", nullptr, false, true},
  };
  const std::string file = Path(ConfigFile());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteConfig(c.bytes);
    const TProgramRun check = Run({"--check"});
    EXPECT_EQ(check.exitCode, 1);
    if (c.loadFails)
      EXPECT_THAT(check.errors, HasSubstr(file + c.finding + "\n"));
    else
      EXPECT_EQ(check.output, file + c.finding + "\n");
    if (c.readsWhole) continue;

    // A refused value is refused first, as on any file.
    if (!c.loadFails) EXPECT_EQ(Run({"--set", "Slot=x"}).exitCode, 2);
    const TProgramRun other = Run({"--set", "Baudrate=2"});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_THAT(other.errors, HasSubstr(file + c.finding + "\n"));
    EXPECT_EQ(ConfigBytes(), c.bytes) << "nothing written";
    if (!c.repair) continue;
    const TProgramRun repair = Run({"--set", c.repair});
    EXPECT_EQ(repair.exitCode, 0) << repair.errors;
    const std::string assignment = c.repair;
    const std::size_t eq = assignment.find('=');
    EXPECT_EQ(ConfigBytes(),
              SavedSettings("\r\n", {{assignment.substr(0, eq), assignment.substr(eq + 1)}}) +
                  kSavedChannels);
  }
}

// Every failure still gives one document, whose "error" is what standard
// error says.
TEST_F(CommandLineTest, JsonPrintsOneDocumentOnFailureToo) {
  const int port = nodave::testing::UnusedLoopbackPort();
  const struct {
    std::vector<std::string> arguments;
    std::string file;
    int exitCode;
  } rows[] = {
      {{"--read-info"}, SettingsFile(4, port), 1},      // nothing listens
      {{"--list-partners"}, SettingsFile(4, port), 1},  // no bus
      {{"--check"}, ">ChT<\r\nSPS\r\n", 1},             // no end marker
      {{"--scan", "10.0.0.0/8"}, kPrepared, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments.front());
    WriteConfig(row.file);
    std::vector<std::string> arguments = row.arguments;
    arguments.push_back("--json");
    const TProgramRun run = Run(arguments);
    EXPECT_EQ(run.exitCode, row.exitCode);
    ASSERT_THAT(run.errors, ::testing::EndsWith("\n"));
    const QJsonDocument expected(QJsonObject{
        {"error", QString::fromStdString(run.errors.substr(0, run.errors.size() - 1))}});
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(run.output)), expected)
        << run.output;
  }
}

}  // namespace
