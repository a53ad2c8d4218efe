#include "app/DiagnoseMode.h"

#include <algorithm>

#include "app/ExitCodes.h"
#include "app/JsonOutput.h"
#include "app/ModeOutput.h"
#include "config/ConfigReading.h"
#include "plc/CardDiagnosis.h"
#include "plc/ResultTexts.h"
#include "plc/nodave/nodave.h"
#include "support/Translation.h"

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
    PrintResult(Padded(step.Name, nameWidth) + Padded(step.Ok ? ok : failed, resultWidth) + time +
                (step.Detail.empty() ? "" : "  " + step.Detail));
  }
}

TDiagnoseResult AsJson(const TDiagnosis& diagnosis) {
  TDiagnoseResult result;
  for (const TDiagnosisStep& step : diagnosis.Steps)
    result.Steps.push_back({step.Key, step.Ok, step.Ms, step.Detail});
  result.Suggestion = diagnosis.Suggestion;
  return result;
}

// The first step: whether the settings to test are the file's own. When
// they fell back to the defaults, testing them would test settings nobody
// chose, so the diagnosis ends there.
bool DiagnoseFile(const TCardServices& card, TDiagnosis& diagnosis) {
  const char* name = daveStepName(daveStepConfigFile);
  const std::string& file = card.Settings().ConfigFileName;
  const auto findings = ReadFindings(card.Reading(), card.FileEncoding());
  TDiagnosisStep step{name, Tr(name), findings.empty(), 0, file};
  if (!findings.empty()) {
    step.Detail = FindingText(file, findings.front());
    diagnosis.Cause = FindingsText(file, findings);
    diagnosis.Advice =
        Tr("Give each setting named a valid value (--set Key=Value) and remove NUL bytes with an "
           "editor: until then every setting takes its default.");
  }
  diagnosis.Steps.push_back(std::move(step));
  return findings.empty();
}

}  // namespace

int DiagnoseMode(const TCardServices& card, const std::string& program, bool json) {
  TDiagnosis diagnosis;
  if (DiagnoseFile(card, diagnosis)) {
    TDiagnosis connection = DiagnoseConnection(card.Settings());
    connection.Steps.insert(connection.Steps.begin(), std::move(diagnosis.Steps.front()));
    diagnosis = std::move(connection);
  }
  if (!json) PrintSteps(diagnosis);
  if (!diagnosis.Cause.empty()) PrintMessage(diagnosis.Cause);
  if (!diagnosis.Advice.empty()) PrintMessage(diagnosis.Advice);
  if (diagnosis.Suggestion) PrintMessage("  " + program + ' ' + *diagnosis.Suggestion);
  if (json) {
    TDiagnoseResult result = AsJson(diagnosis);
    if (!diagnosis.Ok()) result.Error = PrintedMessages();
    PrintDocument(DiagnoseJson(result));
  }
  return diagnosis.Ok() ? kExitSuccess : kExitFailure;
}
