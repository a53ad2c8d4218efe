#include "app/ScanMode.h"

#include "app/ExitCodes.h"
#include "app/JsonOutput.h"
#include "app/ModeOutput.h"
#include "app/ScanReport.h"
#include "config/SettingsCheck.h"
#include "config/SettingsTable.h"
#include "plc/ScanRead.h"

namespace {

TResultOr<int> PortOf(std::string_view text) {
  // The port of a scan is the port a file's IPPort could name: the check is
  // the setting's own.
  const TSetting& ipPort = SettingOf(&TConfigInfo::IPPort);
  TConfigInfo scratch;
  if (const auto refused = AssignSetting(scratch, ipPort.Key, text))
    return TResultOr<int>::Failed(
        RefusedValue(OutOfRangeText(text, "--port", *refused->Min, *refused->Max)));
  return {{}, scratch.IPPort};
}

}  // namespace

TResultOr<TScanRequest> ScanRequestOf(std::string_view rangeText,
                                      std::optional<std::string_view> portText) {
  const auto range = ParseScanRange(rangeText);
  if (!range.Result) return TResultOr<TScanRequest>::Failed(range.Result);
  TScanRequest request{range.Value};
  if (portText) {
    const auto port = PortOf(*portText);
    if (!port.Result) return TResultOr<TScanRequest>::Failed(port.Result);
    request.Port = port.Value;
  }
  return {{}, request};
}

int ScanMode(const TCardServices& card, const TScanRequest& request, bool json) {
  // The readers run on threads of their own: each reads this copy, never
  // the card.
  TConfigInfo file(card.Settings().ConfigFileName);
  file.CopyFrom(card.Settings());
  TScanProgress progress;
  const auto scanned = RunScan(
      request.Range, {.Port = request.Port, .KeepOpen = true},
      [&file](TOpenPort& port) { return ReadFoundPlc(port, file); }, kParallelReads, progress);
  if (!Reported(scanned.Result)) return kExitFailure;
  const std::vector<TScanRecord>& records = scanned.Value;
  if (json) {
    PrintDocument(ScanJson(records));
  } else {
    for (const TScanRecord& record : records) PrintResult(ScanLine(record));
  }
  return records.empty() ? kExitFailure : kExitSuccess;
}
