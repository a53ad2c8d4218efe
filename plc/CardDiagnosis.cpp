// The run of a diagnosis: one step after the other until one fails, each
// timed and each bounded by what is left of the run's time.
#include "plc/CardDiagnosis.h"

#include <algorithm>
#include <chrono>

#include "config/ConnectionType.h"
#include "plc/CardDiagnosisSteps.h"
#include "plc/PlcConnection.h"
#include "plc/WireLimitCheck.h"
#include "support/Translation.h"

namespace {

using Clock = std::chrono::steady_clock;

// A step started with less time than this could not wait for one answer.
constexpr int kLeastStepMs = 300;
constexpr int kCallsPerStep = 2;

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

// Settings the wire cannot carry fail the type's first step, before it
// sends anything: the library would refuse them only after connecting.
bool WithinWireLimits(TDiagnosisRun& run, std::optional<TConnectionType> type,
                      const TConfigInfo& settings) {
  const std::vector<TWireLimitFinding> beyond = WireLimitFindings(settings);
  if (beyond.empty()) return true;
  const int first = !type || *type == TConnectionType::IsoTcp ? daveStepNameLookup
                    : IsSerial(*type)                         ? daveStepSerialOpen
                                                              : daveStepAccessPoint;
  run.Step(
      first,
      [&] {
        TStepOutcome outcome{TResult::Failure(TFailure::Refused, WireLimitText(beyond.front())),
                             {}};
        for (const TWireLimitFinding& finding : beyond)
          outcome.Result.Cause +=
              (outcome.Result.Cause.empty() ? "" : "\n") + WireLimitText(finding);
        return outcome;
      },
      "Give each setting named the value of the PLC's hardware configuration (--set Key=Value).");
  return false;
}

}  // namespace

TDiagnosisRun::TDiagnosisRun(TDiagnosis& out, TPlcConnection& connection, int answerUs,
                             TDiagnosisObserver observer, const std::atomic<bool>* stop)
    : FOut(out),
      FConnection(connection),
      FAnswerUs(answerUs),
      FStart(Clock::now()),
      FObserver(std::move(observer)),
      FStop(stop) {}

// A step makes at most kCallsPerStep calls to the peer, and a call waits at
// most daveCallTimeoutFactor answer time-outs: with this share of the time
// left as answer time-out, a step leaves time for the next one.
void TDiagnosisRun::LimitAnswerTime(int leftMs) {
  const long long share =
      static_cast<long long>(leftMs) * 1000 / (kCallsPerStep * daveCallTimeoutFactor + 1);
  FConnection.LimitAnswerTime(static_cast<int>(std::clamp<long long>(share, 1, FAnswerUs)));
}

void TDiagnosisRun::Finish() {
  // Disconnecting talks to the peer too (PLC and adapter).
  LimitAnswerTime(LeftMs());
  FConnection.Close();
}

int TDiagnosisRun::LeftMs() const {
  const auto used =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - FStart).count();
  return std::max(0, kDiagnosisLimitMs - static_cast<int>(used));
}

bool TDiagnosisRun::Step(int id, const std::function<TStepOutcome()>& body, const char* advice) {
  if (FStop && *FStop) return false;
  const char* name = daveStepName(id);
  TDiagnosisStep step;
  step.Key = name;
  step.Name = Tr(name);
  const auto start = Clock::now();
  TStepOutcome outcome;
  const int left = LeftMs();
  if (left < kLeastStepMs) {
    outcome.Result = TResult::Failure(TFailure::TimedOut, Tr("The diagnosis ran out of time."));
  } else {
    LimitAnswerTime(left);
    outcome = body();
  }
  step.Ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  step.Ok = outcome.Result.Ok();
  step.Detail = OneLine(step.Ok ? outcome.Detail : outcome.Result.Message);
  FOut.Steps.push_back(std::move(step));
  if (FObserver) FObserver(FOut.Steps.back());
  if (!outcome.Result.Ok() && FOut.Cause.empty() && FOut.Advice.empty()) {
    FOut.Cause = outcome.Result.Cause;
    const char* chosen = outcome.Advice != nullptr ? outcome.Advice : advice;
    if (chosen) FOut.Advice = Tr(chosen);
  }
  return outcome.Result.Ok();
}

TDiagnosis DiagnoseConnection(const TConfigInfo& settings, std::uintptr_t windowHandle,
                              const TDiagnosisObserver& observer, const std::atomic<bool>* stop) {
  TDiagnosis diagnosis;
  TPlcConnection connection(windowHandle);
  const std::optional<TConnectionType> type = ConnectionTypeOf(settings.Connectiontype);
  TDiagnosisRun run(diagnosis, connection, DefaultAnswerUs(type.value_or(TConnectionType::IsoTcp)),
                    observer, stop);
  const bool connected =
      WithinWireLimits(run, type, settings) &&
      (type == TConnectionType::IsoTcp ? DiagnoseIsoTcp(run, connection, settings)
                                       : DiagnoseBus(run, connection, settings));
  if (connected) DiagnoseReads(run, connection);
  run.Finish();
  return diagnosis;
}
