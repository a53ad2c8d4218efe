#pragma once
// The steps of a diagnosis per connection type, and the run that times them
// and keeps them within the run's time.
#include <atomic>
#include <chrono>
#include <functional>
#include <string>

#include "config/HW_ConfigInfo.h"
#include "plc/Diagnosis.h"
#include "support/Result.h"

class TPlcConnection;

// What a step found, or its failure.
struct TStepOutcome {
  TResult Result;
  std::string Detail;
  // What to try instead of the step's advice (a catalogue text; "": nothing),
  // or null.
  const char* Advice = nullptr;
};

class TDiagnosisRun {
 public:
  // answerUs: the answer time-out a step has while the run has time for it.
  // observer and stop as for DiagnoseConnection.
  TDiagnosisRun(TDiagnosis& out, TPlcConnection& connection, int answerUs,
                TDiagnosisObserver observer = {}, const std::atomic<bool>* stop = nullptr);
  // Runs body as the step id of the S7 library's list (daveStep*), by the
  // name its cause lines give the step too, and records it; false when it
  // failed: then the first failure's cause and advice (a catalogue text, or
  // null for none) are the diagnosis's. A stopped run records nothing more
  // and says false.
  bool Step(int id, const std::function<TStepOutcome()>& body, const char* advice);
  // Replaces the advice by settings that answered: the pair and the command.
  void Suggest(int rack, int slot, std::string suggestion, std::string advice) {
    FOut.AnsweringPair = TDiagnosis::TRackSlot{rack, slot};
    FOut.Suggestion = std::move(suggestion);
    FOut.Advice = std::move(advice);
  }
  // Milliseconds left of the run.
  int LeftMs() const;
  // Closes the connection within the time left.
  void Finish();

 private:
  void LimitAnswerTime(int leftMs);

  TDiagnosis& FOut;
  TPlcConnection& FConnection;
  int FAnswerUs;
  std::chrono::steady_clock::time_point FStart;
  TDiagnosisObserver FObserver;
  const std::atomic<bool>* FStop;
};

// Up to an open PLC connection; false when a step failed.
bool DiagnoseIsoTcp(TDiagnosisRun& run, TPlcConnection& connection, TConfigInfo settings);
bool DiagnoseBus(TDiagnosisRun& run, TPlcConnection& connection, const TConfigInfo& settings);
// Over the open connection: order code, identity and operating state.
void DiagnoseReads(TDiagnosisRun& run, TPlcConnection& connection);
