#include "plc/ResultTexts.h"

#include "support/Translation.h"

std::string StateText(TOperatingState state) {
  if (state == TOperatingState::Unknown) return Tr("unknown");
  return std::string(OperatingStateKeyword(state));
}

std::string ScanSummary(std::size_t probed, std::size_t found) {
  return FillIn(Tr("Addresses probed: %d, PLCs found: %d"),
                {std::to_string(probed), std::to_string(found)});
}

std::string ProbingText(std::size_t probed, std::size_t total, std::size_t open) {
  return FillIn(Tr("Probing addresses: %d/%d, open: %d"),
                {std::to_string(probed), std::to_string(total), std::to_string(open)});
}

std::string ReadingText(std::size_t read, std::size_t total, std::size_t found) {
  return FillIn(Tr("Reading PLCs: %d/%d, found: %d"),
                {std::to_string(read), std::to_string(total), std::to_string(found)});
}

std::string StepResultText(bool ok) {
  return ok ? Tr("ok") : Tr("FAILED");
}

std::string StepTimeText(long long ms) {
  return std::to_string(ms) + " ms";
}

std::size_t ChannelFileLine(std::optional<std::size_t> blockStart, std::size_t blockLine) {
  return blockStart.value_or(0) + 2 + blockLine;
}

std::string RefusalLine(const std::string& file, const TRefusedRun& run,
                        std::optional<std::size_t> blockStart, TTextEncoding encoding) {
  const std::string first = AsUserText(run.FirstPath, encoding);
  const std::string place = file + ":" + std::to_string(ChannelFileLine(blockStart, run.FirstLine));
  if (run.Count == 1) return place + ": " + first + ": " + run.Cause;
  return place + "-" + std::to_string(ChannelFileLine(blockStart, run.LastLine)) + ": " + first +
         " .. " + AsUserText(run.LastPath, encoding) + " " +
         FillIn(Tr("(%d channels)"), {std::to_string(run.Count)}) + ": " + run.Cause;
}

std::string CheckSummary(const TChannelCheck& check) {
  return FillIn(Tr("Channels checked: %d, refused: %d"),
                {std::to_string(check.Checked), std::to_string(check.Refused)});
}
