// --scan and --json through the shipped program: PLCs on 127.0.0.x addresses
// of one port (the emulator, a scripted PLC that takes one rack/slot pair
// only, one that refuses every pair, addresses where nothing listens), and
// each mode's JSON document parsed back.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "tests/app/CommandLineRun.h"
#include "tests/plc/nodave/RealIo.h"
#include "tests/plc/nodave/S7Frames.h"

namespace {

using namespace nodave::testing;
using nodave::Bytes;

// Takes the ISO connection for the pair accepted only ("rack/slot"), as
// real CPUs do, and refuses every other with a disconnect request; answers
// the set-up and the order code, then hangs up. Notes the pair of each
// request (the called TSAP's second byte is rack * 32 + slot).
ScriptedServer::Script OnePairPlc(std::vector<std::string>& pairs, std::string accepted) {
  return [&pairs, accepted](int fd) {
    const Bytes request = ReadTpkt(fd);
    const int tsap = request.size() == 22 ? request[21] : -1;
    pairs.push_back(std::to_string(tsap >> 5) + "/" + std::to_string(tsap & 31));
    if (pairs.back() != accepted) return WriteBytes(fd, Hex("03 00 00 0B 06 80 00 01 00 01 88"));
    WriteBytes(fd, ConnectConfirm());
    WriteBytes(fd, Iso(SetupAnswerPdu(RefOf(ReadTpkt(fd)))));
    WriteBytes(fd, Iso(SzlAnswerPdu(RefOf(ReadTpkt(fd)), Szl0011Payload())));
  };
}

TEST_F(CommandLineTest, ScanListsThePlcsOfTheRangeWithThePairThatAnswered) {
  EmulatorProcess emulator(0, "127.0.0.2");
  const std::string port = std::to_string(emulator.port());
  // Each server's thread alone writes its list, read once the server ended.
  std::vector<std::string> onePair;
  std::vector<std::string> refusing;
  {
    // The file's pair first, then the library's search in its order without
    // it: one connection per pair, the probe's serving the first.
    const ScriptedServer plc(OnePairPlc(onePair, "0/3"), 4, 0x7F000003, emulator.port());
    const ScriptedServer notPlc(OnePairPlc(refusing, ""), 6, 0x7F000004, emulator.port());
    WriteConfig(SettingsFile(4, 102));  // rack 0, slot 2
    const TProgramRun run = Run({"--scan", "127.0.0.1-5", "--port", port});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.output,
              "127.0.0.2  Rack=0 Slot=2  6ES7 315-2EH14-0AB0  SNAP7-SERVER  CPU 315-2 PN/DP  CPU "
              "315-2 PN/DP  "
              "RUN\n"
              "127.0.0.3  Rack=0 Slot=3  6ES7 315-2EH14-0AB0  -  -  -  -\n");
    EXPECT_EQ(run.errors, "Addresses probed: 5, PLCs found: 2\n");
  }
  EXPECT_EQ(onePair, (std::vector<std::string>{"0/2", "0/0", "0/1", "0/3"}));
  EXPECT_EQ(refusing, (std::vector<std::string>{"0/2", "0/0", "0/1", "0/3", "0/4", "0/5"}));

  const TProgramRun none = Run({"--scan", "127.0.0.5", "--port", port}, "de_DE.UTF-8");
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(none.output, "");
  EXPECT_EQ(none.errors, "Geprüfte Adressen: 1, gefundene SPS: 0\n");
}

TEST_F(CommandLineTest, JsonGivesEachModesResultAsOneDocument) {
  EmulatorProcess emulator;
  const int port = emulator.port();
  const TSettingsValues values = {
      {"Connectiontype", "4"}, {"IPAddress", "127.0.0.1"}, {"IPPort", std::to_string(port)}};
  WriteConfig(SettingsText(values) + ">ChT<\r\nSPS\r\n\tE\r\n\t\t256\r\n\r\n>EOT<\r\n");
  QJsonObject settings;
  for (const std::string& line : SettingsLines(values)) {
    const std::size_t eq = line.find('=');
    settings.insert(QString::fromStdString(line.substr(0, eq)),
                    QString::fromStdString(line.substr(eq + 1)));
  }
  const QString file = QString::fromStdString(Path(ConfigFile()));
  const QJsonObject identity{{"order_code", "6ES7 315-2EH14-0AB0"},
                             {"system_name", "SNAP7-SERVER"},
                             {"module_type", "CPU 315-2 PN/DP"},
                             {"serial_number", "S C-C2UR28922012"},
                             {"module_name", "CPU 315-2 PN/DP"},
                             {"firmware", "V3.2.6"},
                             {"state", "RUN"}};
  QJsonObject readInfo = identity;
  readInfo.insert("plant_designation", "");
  QJsonObject scanned = identity;
  for (const auto& [key, value] : {std::pair<QString, QJsonValue>{"address", "127.0.0.1"},
                                   {"port", port},
                                   {"rack", 0},
                                   {"slot", 2}})
    scanned.insert(key, value);
  const struct {
    std::vector<std::string> arguments;
    int exitCode;
    QJsonDocument expected;
  } rows[] = {
      {{"--show"},
       0,
       QJsonDocument(QJsonObject{{"settings", settings}, {"file", file}, {"channel_lines", 4}})},
      {{"--check"},
       1,
       QJsonDocument(QJsonArray{QJsonObject{{"file", file},
                                            {"line", 18},
                                            {"entry", "256"},
                                            {"marker", "<-- ungültig; nur innerhalb [0..255]"}}})},
      {{"--read-info"}, 0, QJsonDocument(readInfo)},
      {{"--scan", "127.0.0.1", "--port", std::to_string(port)},
       0,
       QJsonDocument(QJsonArray{scanned})},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments.front());
    std::vector<std::string> arguments = row.arguments;
    arguments.push_back("--json");
    const TProgramRun run = Run(arguments);
    EXPECT_EQ(run.exitCode, row.exitCode) << run.errors;
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(run.output)), row.expected)
        << run.output;
  }
}

}  // namespace
