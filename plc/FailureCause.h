#pragma once
// The S7 library's detail of a failure as the user reads it: one cause line
// and the name of the step, both in the user's language.
#include <string>

#include "plc/nodave/nodave.h"
#include "support/Result.h"

// The cause line of failure; empty when the library recorded nothing.
std::string CauseLine(const daveFailure& failure);
// The name of a step of an attempt (daveStep*); empty for daveStepNone.
std::string StepName(int step);
// result with the cause line and step of failure.
TResult WithCause(TResult result, const daveFailure& failure);
