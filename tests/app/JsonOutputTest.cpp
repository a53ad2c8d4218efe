// --json: each mode's document parsed back, against what a script expects
// to find in it; a value the PLC refused is no key at all.
#include <gtest/gtest.h>

#include <QJsonDocument>

#include "app/JsonOutput.h"

namespace {

TPlcIdentity SomeIdentity() {
  TPlcIdentity identity;
  identity.ModuleTypeName = "CPU 315-2 PN/DP";
  identity.SerialNumber = "S C-X4U421302009";
  identity.ModuleName =
      "Presse \xC3\xBC"
      "ber Halle 2";  // "über": UTF-8 stays text
  identity.FirmwareVersion = "V3.2.6";
  identity.OperatingState = TOperatingState::Run;
  return identity;
}

TEST(JsonOutputTest, EachModesDocument) {
  const struct {
    const char* mode;
    std::string document;
    const char* expected;
  } rows[] = {
      {"show",
       ShowJson({{{"Connectiontype", "122"}, {"PLCIPAddress", "10.0.0.\"7\""}}, "/d/s7.CFG", 3}),
       R"({"settings": {"Connectiontype": "122", "PLCIPAddress": "10.0.0.\"7\""},
           "file": "/d/s7.CFG", "channel_lines": 3})"},
      {"check", CheckJson({{"a.CFG", 12, "\tDB5.DBX\\1", "   <--"}}),
       R"([{"file": "a.CFG", "line": 12, "entry": "\tDB5.DBX\\1", "marker": "   <--"}])"},
      {"check, nothing refused", CheckJson({}), "[]"},
      {"check, settings that fell back",
       CheckJson({{"a.CFG", 3, "Comport=7 ", "", "a blank follows the number"},
                  {"a.CFG", 0, "", "", "no line for Slot"}}),
       R"([{"file": "a.CFG", "line": 3, "entry": "Comport=7 ",
            "reason": "a blank follows the number"},
           {"file": "a.CFG", "reason": "no line for Slot"}])"},
      {"read-info", ReadInfoJson({"6ES7 315-2EH14-0AB0", SomeIdentity()}),
       R"({"order_code": "6ES7 315-2EH14-0AB0", "module_type": "CPU 315-2 PN/DP",
           "serial_number": "S C-X4U421302009", "module_name": "Presse über Halle 2",
           "firmware": "V3.2.6", "state": "RUN"})"},
      {"read-info, all refused", ReadInfoJson({}), "{}"},
      {"diagnose",
       DiagnoseJson({{{"tcp_connect", true, 3, "127.0.0.1:102"}, {"iso_connect", false, 12, "x"}},
                     "--set Rack=0 --set Slot=2",
                     "refused"}),
       R"({"steps": [{"step": "tcp_connect", "ok": true, "ms": 3, "detail": "127.0.0.1:102"},
                     {"step": "iso_connect", "ok": false, "ms": 12, "detail": "x"}],
           "suggestion": "--set Rack=0 --set Slot=2", "error": "refused"})"},
      {"list-partners", PartnersJson({0, 2, 126}), "[0, 2, 126]"},
      {"scan",
       ScanJson({{0x7F000009, 102, 0, 2, std::nullopt, SomeIdentity()},
                 {0xC0A8000A, 1102, 1, 3, "6ES7 214-1AG40-0XB0", {}}}),
       R"([{"address": "127.0.0.9", "port": 102, "rack": 0, "slot": 2,
            "module_type": "CPU 315-2 PN/DP", "serial_number": "S C-X4U421302009",
            "module_name": "Presse über Halle 2", "firmware": "V3.2.6", "state": "RUN"},
           {"address": "192.168.0.10", "port": 1102, "rack": 1, "slot": 3,
            "order_code": "6ES7 214-1AG40-0XB0"}])"},
  };
  for (const auto& row : rows) {
    QJsonParseError error;
    const auto parsed = QJsonDocument::fromJson(QByteArray::fromStdString(row.document), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << row.mode;
    EXPECT_EQ(parsed, QJsonDocument::fromJson(row.expected)) << row.mode << "\n" << row.document;
    EXPECT_EQ(row.document.back(), '\n') << row.mode;
  }
}

}  // namespace
