#pragma once
// What a diagnosis reports, step by step, as the front ends show it.
#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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

// Sees each step of a diagnosis as soon as it ended.
using TDiagnosisObserver = std::function<void(const TDiagnosisStep& step)>;
