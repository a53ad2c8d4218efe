#include "DiagnoseMode.h"

#include <algorithm>
#include <iostream>

#include "CardDiagnosis.h"
#include "CommandLine.h"
#include "JsonOutput.h"
#include "ResultTexts.h"

namespace {

// Width of text on a terminal: one column per UTF-8 character.
std::size_t Columns(const std::string& text) {
  std::size_t columns = 0;
  for (const char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++columns;
  return columns;
}

std::string Padded(const std::string& text, std::size_t width) {
  const std::size_t columns = Columns(text);
  return columns < width ? text + std::string(width - columns, ' ') : text + " ";
}

void PrintSteps(const TDiagnosis& diagnosis) {
  std::size_t nameWidth = 0;
  for (const TDiagnosisStep& step : diagnosis.Steps)
    nameWidth = std::max(nameWidth, Columns(step.Name) + 2);
  const std::string ok = StepResultText(true);
  const std::string failed = StepResultText(false);
  const std::size_t resultWidth = std::max(Columns(ok), Columns(failed)) + 1;
  for (const TDiagnosisStep& step : diagnosis.Steps) {
    std::string time = StepTimeText(step.Ms);
    time = std::string(time.size() < 8 ? 8 - time.size() : 0, ' ') + time;
    std::cout << Padded(step.Name, nameWidth) << Padded(step.Ok ? ok : failed, resultWidth) << time
              << (step.Detail.empty() ? "" : "  " + step.Detail) << '\n';
  }
}

TDiagnoseResult AsJson(const TDiagnosis& diagnosis) {
  TDiagnoseResult result;
  for (const TDiagnosisStep& step : diagnosis.Steps)
    result.Steps.push_back({step.Key, step.Ok, step.Ms, step.Detail});
  result.Suggestion = diagnosis.Suggestion;
  return result;
}

}  // namespace

int DiagnoseMode(const TCardServices& card, const std::string& program, bool json) {
  const TDiagnosis diagnosis = DiagnoseConnection(card.Settings());
  if (json)
    std::cout << DiagnoseJson(AsJson(diagnosis));
  else
    PrintSteps(diagnosis);
  if (!diagnosis.Cause.empty()) std::cerr << diagnosis.Cause << '\n';
  if (!diagnosis.Advice.empty()) std::cerr << diagnosis.Advice << '\n';
  if (diagnosis.Suggestion) std::cerr << "  " << program << ' ' << *diagnosis.Suggestion << '\n';
  return diagnosis.Ok() ? kExitSuccess : kExitFailure;
}
