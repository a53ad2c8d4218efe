#include "VerifyMode.h"

#include "CommandLine.h"
#include "JsonOutput.h"
#include "Localization.h"
#include "ModeOutput.h"

namespace {

// The block's lines follow its start marker; the file's lines count from 1.
std::size_t FileLine(const TCardServices& card, std::size_t blockLine) {
  return card.ChannelBlockStart().value_or(0) + 2 + blockLine;
}

TVerifyResult AsResult(const TCardServices& card, const TChannelCheck& check) {
  TVerifyResult result{check.Checked, check.Refused, {}};
  for (const TRefusedRun& run : check.Runs) {
    result.Refusals.push_back(
        {AsUserText(run.FirstPath, card.FileEncoding()),
         AsUserText(run.LastPath, card.FileEncoding()), FileLine(card, run.FirstLine),
         FileLine(card, run.LastLine), run.Count, run.Cause,
         run.ItemReturnCode != 0 ? std::optional(run.ItemReturnCode) : std::nullopt});
  }
  return result;
}

// "<file>:<line>: <path>: <cause>", or for a run
// "<file>:<first>-<last>: <first path> .. <last path> (<n> channels): <cause>".
std::string RefusalLine(const std::string& file, const TVerifyRefusal& refusal) {
  if (refusal.Count == 1)
    return file + ":" + std::to_string(refusal.FirstLine) + ": " + refusal.First + ": " +
           refusal.Cause;
  return file + ":" + std::to_string(refusal.FirstLine) + "-" + std::to_string(refusal.LastLine) +
         ": " + refusal.First + " .. " + refusal.Last + " " +
         FillIn(Tr("(%d channels)"), {std::to_string(refusal.Count)}) + ": " + refusal.Cause;
}

}  // namespace

int VerifyMode(TCardServices& card, bool json) {
  const TCardRead<TChannelCheck> check = card.CheckChannels(card.Settings(), card.ChannelTree());
  if (!check.Result) {
    Reported(check.Result);
    return kExitFailure;
  }
  const TVerifyResult result = AsResult(card, check.Value);
  if (json) {
    PrintDocument(VerifyJson(result));
  } else {
    for (const TVerifyRefusal& refusal : result.Refusals)
      PrintResult(RefusalLine(card.Settings().ConfigFileName, refusal));
    PrintResult(FillIn(Tr("Channels checked: %d, refused: %d"),
                       {std::to_string(result.Checked), std::to_string(result.Refused)}));
  }
  return result.Refused == 0 ? kExitSuccess : kExitFailure;
}
