#pragma once
// Testing the connection of the settings step by step (--diagnose): each
// step with its result, time and what it found, and on the first failing
// step why it failed and what to try. The card shows nothing: the command
// line prints the result.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "HW_ConfigInfo.h"

struct TDiagnosisStep {
  std::string Key;   // the English name, the same in every language
  std::string Name;  // in the user's language
  bool Ok = false;
  long long Ms = 0;
  // What the step found (an address, the PDU size, the order code), or on
  // failure the message the failure has everywhere else.
  std::string Detail;
};

struct TDiagnosis {
  std::vector<TDiagnosisStep> Steps;
  // On the first failing step: the cause line and what to try.
  std::string Cause;
  std::string Advice;
  // Settings that answered where the file's did not, as the command to use
  // ("--set Rack=0 --set Slot=2").
  std::optional<std::string> Suggestion;
  // The rack/slot pair of the suggestion, for a front end that sets it.
  struct TRackSlot {
    int Rack = 0;
    int Slot = 0;
  };
  std::optional<TRackSlot> AnsweringPair;

  // Whether every step ran and passed.
  bool Ok() const {
    return !Steps.empty() &&
           std::all_of(Steps.begin(), Steps.end(), [](const TDiagnosisStep& s) { return s.Ok; });
  }
};

// A diagnosis never lasts longer than this, whatever the peer does.
inline constexpr int kDiagnosisLimitMs = 29000;

// Runs the steps of settings' connection type until one fails: ISO over TCP
// name look-up, TCP connect, ISO connect, S7 set-up; the serial types the
// device, the adapter's answer, the bus partners (MPI) and the PLC; then the
// order code, identity and operating state. When the PLC refuses the ISO
// connection, the usual rack/slot pairs are tried. observer, when set, sees
// each step as soon as it ended (on the thread of the diagnosis), so a
// window can list the steps as they happen; stop, when set and true, ends
// the run before its next step.
using TDiagnosisObserver = std::function<void(const TDiagnosisStep& step)>;
TDiagnosis DiagnoseConnection(const TConfigInfo& settings, std::uintptr_t windowHandle = 0,
                              const TDiagnosisObserver& observer = {},
                              const std::atomic<bool>* stop = nullptr);
