#include "app/VerifyMode.h"

#include "app/ExitCodes.h"
#include "app/JsonOutput.h"
#include "app/ModeOutput.h"
#include "plc/ResultTexts.h"

namespace {

std::size_t FileLine(const TCardServices& card, std::size_t blockLine) {
  return ChannelFileLine(card.ChannelBlockStart(), blockLine);
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

}  // namespace

int VerifyMode(TCardServices& card, bool json) {
  const TResultOr<TChannelCheck> check = card.CheckChannels(card.Settings(), card.ChannelTree());
  if (!check.Result) {
    Reported(check.Result);
    return kExitFailure;
  }
  if (json) {
    PrintDocument(VerifyJson(AsResult(card, check.Value)));
  } else {
    for (const TRefusedRun& run : check.Value.Runs)
      PrintResult(RefusalLine(card.Settings().ConfigFileName, run, card.ChannelBlockStart(),
                              card.FileEncoding()));
    PrintResult(CheckSummary(check.Value));
  }
  return check.Value.Refused == 0 ? kExitSuccess : kExitFailure;
}
