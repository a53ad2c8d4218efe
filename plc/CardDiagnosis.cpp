// The run of a diagnosis: one step after the other until one fails, each
// timed and each bounded by what is left of the run's time.
#include "CardDiagnosis.h"

#include <algorithm>
#include <chrono>

#include "CardDiagnosisSteps.h"
#include "ConnectionType.h"
#include "Localization.h"
#include "PlcConnection.h"

namespace {

using Clock = std::chrono::steady_clock;

// A step started with less time than this could not wait for one answer.
constexpr int kLeastStepMs = 300;

// The library's own answer time-outs, which a step keeps while the run has
// time for them.
int DefaultAnswerUs(TConnectionType type) {
  if (type == TConnectionType::Ppi) return 500'000;
  if (IsMpi(type)) return 2'000'000;
  return 1'500'000;
}

std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

}  // namespace

bool TDiagnosis::Ok() const {
  return !Steps.empty() &&
         std::all_of(Steps.begin(), Steps.end(), [](const TDiagnosisStep& s) { return s.Ok; });
}

TDiagnosisRun::TDiagnosisRun(TDiagnosis& out, TPlcConnection& connection, int answerUs)
    : FOut(out), FConnection(connection), FAnswerUs(answerUs), FStart(Clock::now()) {}

int TDiagnosisRun::LeftMs() const {
  const auto used =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - FStart).count();
  return std::max(0, kDiagnosisLimitMs - static_cast<int>(used));
}

bool TDiagnosisRun::Step(const char* name, const std::function<TStepOutcome()>& body,
                         const char* advice) {
  TDiagnosisStep step;
  step.Key = name;
  step.Name = Tr(name);
  const auto start = Clock::now();
  TStepOutcome outcome;
  const int left = LeftMs();
  if (left < kLeastStepMs) {
    outcome.Result = TCardResult::Failure(Tr("Error"), Tr("The diagnosis ran out of time."));
  } else {
    // Every call of the step ends within its share of the time left
    // (a call waits at most daveCallTimeoutFactor answer time-outs).
    const long long share = static_cast<long long>(left) * 1000 / (daveCallTimeoutFactor + 1);
    FConnection.LimitAnswerTime(static_cast<int>(std::min<long long>(FAnswerUs, share)));
    outcome = body();
  }
  step.Ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  step.Ok = outcome.Result.Ok();
  step.Detail = OneLine(step.Ok ? outcome.Detail : outcome.Result.Message);
  FOut.Steps.push_back(std::move(step));
  if (!outcome.Result.Ok() && FOut.Cause.empty() && FOut.Advice.empty()) {
    FOut.Cause = outcome.Result.Cause;
    FOut.Advice = Tr(advice);
  }
  return outcome.Result.Ok();
}

TDiagnosis DiagnoseConnection(const TConfigInfo& settings, std::uintptr_t windowHandle) {
  TDiagnosis diagnosis;
  TPlcConnection connection(windowHandle);
  const std::optional<TConnectionType> type = ConnectionTypeOf(settings.Connectiontype);
  TDiagnosisRun run(diagnosis, connection, DefaultAnswerUs(type.value_or(TConnectionType::IsoTcp)));
  if (type == TConnectionType::IsoTcp) {
    if (!DiagnoseIsoTcp(run, connection, settings)) return diagnosis;
  } else if (!DiagnoseBus(run, connection, settings)) {
    return diagnosis;
  }
  DiagnoseReads(run, connection);
  return diagnosis;
}
