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

#include "config/HW_ConfigInfo.h"
#include "plc/Diagnosis.h"

// Runs the steps of settings' connection type until one fails: ISO over TCP
// name look-up, TCP connect, ISO connect, S7 set-up; the serial types the
// device, the adapter's answer, the bus partners (MPI) and the PLC; then the
// order code, identity and operating state. When the PLC refuses the ISO
// connection, the usual rack/slot pairs are tried. observer, when set, sees
// each step as soon as it ended (on the thread of the diagnosis), so a
// window can list the steps as they happen; stop, when set and true, ends
// the run before its next step.
TDiagnosis DiagnoseConnection(const TConfigInfo& settings, std::uintptr_t windowHandle = 0,
                              const TDiagnosisObserver& observer = {},
                              const std::atomic<bool>* stop = nullptr);
