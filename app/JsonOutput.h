#pragma once
// The command line's results as one JSON document (--json), for scripts:
// key names are fixed and documented in the manual page, texts are UTF-8,
// a value the PLC refused is left out rather than given empty.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "plc/PlcIdentity.h"
#include "plc/scan/PlcScan.h"

// --show: the settings as the file holds them, in its order.
struct TShowResult {
  std::vector<std::pair<std::string, std::string>> Settings;
  std::string File;
  std::size_t ChannelLines = 0;
};

// --check: one refused channel entry (with its Marker), or a reason why the
// settings in use are not the file's (with the Reason; Line 0 and no Entry
// where no line is concerned). Line counts from 1.
struct TCheckFinding {
  std::string File;
  std::size_t Line = 0;
  std::string Entry;
  std::string Marker;
  std::string Reason;
};

// --read-info; Error: the texts of a failure, after what was read.
struct TReadInfoResult {
  std::optional<std::string> OrderCode;
  TPlcIdentity Identity;
  std::optional<std::string> Error;
};

// --diagnose: one step of the connection test, and the advice at the end.
struct TDiagnoseStep {
  std::string Step;
  bool Ok = false;
  long long Ms = 0;
  std::string Detail;
};
struct TDiagnoseResult {
  std::vector<TDiagnoseStep> Steps;
  std::optional<std::string> Suggestion;
  std::optional<std::string> Error;
};

// --verify: a run of refused channels; lines count from 1.
struct TVerifyRefusal {
  std::string First;
  std::string Last;
  std::size_t FirstLine = 0;
  std::size_t LastLine = 0;
  std::size_t Count = 0;
  std::string Cause;
  std::optional<int> ItemReturnCode;  // none where nothing was asked of the PLC
};
struct TVerifyResult {
  std::size_t Checked = 0;
  std::size_t Refused = 0;
  std::vector<TVerifyRefusal> Refusals;
};

// --read: what one channel holds, or why it could not be read.
struct TReadValue {
  std::string Channel;
  std::optional<std::uint32_t> Value;  // none where the BCD digits are no digits
  std::optional<std::uint16_t> Raw;    // none when refused
  std::string Error;
};

// Each returns the document, indented, with a final line break.
// {"settings": {key: value...}, "file": ..., "channel_lines": n}
std::string ShowJson(const TShowResult& result);
// [{"file", "line", "entry", "marker" or "reason"}...]; "line" and "entry"
// only where a line is concerned.
std::string CheckJson(const std::vector<TCheckFinding>& findings);
// {"order_code", "system_name", "module_type", "serial_number", "plant_designation",
//  "module_name", "firmware", "state", "error"}
std::string ReadInfoJson(const TReadInfoResult& result);
// {"steps": [{"step", "ok", "ms", "detail"}...], "suggestion", "error"}
std::string DiagnoseJson(const TDiagnoseResult& result);
// {"checked", "refused", "refusals": [{"first", "last", "first_line",
//  "last_line", "count", "cause", "item_return_code"}...]}
std::string VerifyJson(const TVerifyResult& result);
// [{"channel", "value", "raw"} or {"channel", "error"}...]
std::string ReadJson(const std::vector<TReadValue>& values);
// {"error": text}: a mode that failed before it had a result.
std::string ErrorJson(const std::string& text);
// [address...]
std::string PartnersJson(const std::vector<int>& partners);
// [{"address", "port", "rack", "slot", "order_code", "module_type",
//   "module_name", "serial_number", "firmware", "state"}...]
std::string ScanJson(const std::vector<TScanRecord>& records);
