#include "app/ScanReport.h"

#include <unistd.h>

#include <chrono>
#include <iostream>

#include "app/JsonOutput.h"
#include "app/ModeOutput.h"
#include "plc/ResultTexts.h"
#include "support/Translation.h"

namespace {

// Redrawing more often only costs the terminal's time.
constexpr long long kRedrawMs = 100;

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string OrDash(const std::optional<std::string>& value) {
  return value && !value->empty() ? *value : "-";
}

}  // namespace

std::string ScanLine(const TScanRecord& record) {
  const TPlcIdentity& identity = record.Identity;
  return IPv4Text(record.Address) + "  Rack=" + std::to_string(record.Rack) +
         " Slot=" + std::to_string(record.Slot) + "  " + OrDash(record.OrderCode) + "  " +
         OrDash(identity.SystemName) + "  " + OrDash(identity.ModuleTypeName) + "  " +
         OrDash(identity.ModuleName) + "  " +
         (identity.OperatingState ? StateText(*identity.OperatingState) : "-");
}

TScanProgress::TScanProgress(std::ostream& out, bool shown) : FOut(out), FShown(shown) {}

TScanProgress::TScanProgress() : TScanProgress(std::cerr, ::isatty(STDERR_FILENO) == 1) {}

TScanProgress::~TScanProgress() {
  Clear();
}

void TScanProgress::Probing(std::size_t probed, std::size_t total, std::size_t open) {
  Draw(ProbingText(probed, total, open), probed == total);
}

void TScanProgress::Reading(std::size_t read, std::size_t total, std::size_t found) {
  Draw(ReadingText(read, total, found), read == total);
}

void TScanProgress::Clear() {
  if (!FShown || FWidth == 0) return;
  FOut << '\r' << std::string(FWidth, ' ') << '\r' << std::flush;
  FWidth = 0;
}

// The new line overwrites the old one; spaces cover what it was longer.
void TScanProgress::Draw(const std::string& line, bool final) {
  if (!FShown) return;
  const long long now = NowMs();
  if (!final && FWidth != 0 && now - FLastDrawMs < kRedrawMs) return;
  FLastDrawMs = now;
  FOut << '\r' << line;
  if (line.size() < FWidth) FOut << std::string(FWidth - line.size(), ' ');
  FOut << std::flush;
  FWidth = std::max(FWidth, line.size());
}

TResultOr<std::vector<TScanRecord>> RunScan(const TScanRange& range, const TProbeOptions& options,
                                            const TPlcReader& read, std::size_t parallel,
                                            TScanProgress& progress) {
  auto open = ProbePorts(range, options, [&](std::size_t probed, std::size_t total, std::size_t n) {
    progress.Probing(probed, total, n);
  });
  if (!open.Result) {
    progress.Clear();
    return TResultOr<std::vector<TScanRecord>>::Failed(std::move(open.Result));
  }
  auto records = ReadPlcs(std::move(open.Value), read, parallel,
                          [&](std::size_t done, std::size_t total, std::size_t found) {
                            progress.Reading(done, total, found);
                          });
  progress.Clear();
  PrintMessage(ScanSummary(range.Count(), records.size()));
  return {{}, std::move(records)};
}
