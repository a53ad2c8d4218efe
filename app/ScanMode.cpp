#include "app/ScanMode.h"

#include <variant>

#include "app/ExitCodes.h"
#include "app/JsonOutput.h"
#include "app/ModeOutput.h"
#include "app/ScanReport.h"
#include "config/SettingsCheck.h"
#include "config/SettingsTable.h"
#include "plc/ScanRead.h"

namespace {

int PortOf(std::string_view text) {
  // The port of a scan is the port a file's IPPort could name: the check is
  // the setting's own.
  const TSetting& ipPort = SettingOf(&TConfigInfo::IPPort);
  TConfigInfo scratch;
  if (const auto refused = AssignSetting(scratch, ipPort.Key, text))
    throw ERefusedValue(OutOfRangeText(text, "--port", *refused->Min, *refused->Max));
  return scratch.IPPort;
}

}  // namespace

TScanRequest ScanRequestOf(std::string_view rangeText, std::optional<std::string_view> portText) {
  const auto range = ParseScanRange(rangeText);
  if (const auto* why = std::get_if<TRangeRefusal>(&range))
    throw ERefusedValue(RangeRefusalText(rangeText, *why));
  TScanRequest request{std::get<TScanRange>(range)};
  if (portText) request.Port = PortOf(*portText);
  return request;
}

int ScanMode(const TCardServices& card, const TScanRequest& request, bool json) {
  // The readers run on threads of their own: each reads this copy, never
  // the card.
  TConfigInfo file(card.Settings().ConfigFileName);
  file.CopyFrom(card.Settings());
  TScanProgress progress;
  const auto records = RunScan(
      request.Range, {.Port = request.Port, .KeepOpen = true},
      [&file](TOpenPort& port) { return ReadFoundPlc(port, file); }, kParallelReads, progress);
  if (json) {
    PrintDocument(ScanJson(records));
  } else {
    for (const TScanRecord& record : records) PrintResult(ScanLine(record));
  }
  return records.empty() ? kExitFailure : kExitSuccess;
}
