#pragma once
// What --scan shows people on a terminal: the progress while it runs, one
// line per PLC found and the summary at the end (the texts it shares with
// the dialog are in ResultTexts.h).
#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "plc/ResultTexts.h"
#include "plc/scan/PlcScan.h"
#include "plc/scan/ScanRange.h"

// "192.168.0.10  Rack=0 Slot=2  6ES7 315-2EH14-0AB0  SIMATIC 300(1)  CPU 315-2 PN/DP  PLC_1  RUN";
// what the PLC refused is shown as "-".
std::string ScanLine(const TScanRecord& record);

// The one-line progress display of a scan on a terminal. Nothing at all
// when out is not one (a script reads standard error line by line); the
// line is cleared when the display ends, so the results stand alone.
class TScanProgress {
 public:
  // out: where the line goes; shown: whether out is a terminal.
  TScanProgress(std::ostream& out, bool shown);
  // On standard error when it is a terminal.
  TScanProgress();
  TScanProgress(const TScanProgress&) = delete;
  TScanProgress& operator=(const TScanProgress&) = delete;
  ~TScanProgress();

  // While the port is probed.
  void Probing(std::size_t probed, std::size_t total, std::size_t open);
  // While the PLCs behind the open ports are read.
  void Reading(std::size_t read, std::size_t total, std::size_t found);
  // Removes the line.
  void Clear();

 private:
  std::ostream& FOut;
  bool FShown;
  std::size_t FWidth = 0;
  long long FLastDrawMs = 0;

  void Draw(const std::string& line, bool final);
};

// Probes the range, reads the PLCs behind the open ports with read (at
// most parallel at a time), shows the progress and, on standard error,
// the summary. Returns the PLCs found, sorted by address, or the probe's
// failure (progress cleared, no summary).
TResultOr<std::vector<TScanRecord>> RunScan(const TScanRange& range, const TProbeOptions& options,
                                            const TPlcReader& read, std::size_t parallel,
                                            TScanProgress& progress);
