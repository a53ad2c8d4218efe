#include "plc/FailureCause.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "support/Translation.h"

std::string CauseLine(const daveFailure& failure) {
  daveCause cause{};
  if (daveDescribeFailure(&failure, &cause) != 0 || cause.pattern == nullptr) return {};
  // Values that are catalogue texts (a step, a code's meaning) are
  // translated; addresses, paths and codes are taken as they are.
  std::array<std::string, daveCauseValueCount> values;
  std::array<std::string_view, daveCauseValueCount> shown;
  const int count = std::clamp(cause.count, 0, static_cast<int>(daveCauseValueCount));
  for (int i = 0; i < count; ++i) {
    const auto index = static_cast<std::size_t>(i);
    values[index] = cause.translate[i] ? Tr(cause.values[i]) : std::string(cause.values[i]);
    shown[index] = values[index];
  }
  return FillIn(Tr(cause.pattern), std::span(shown.data(), static_cast<std::size_t>(count)));
}

std::string StepName(int step) {
  return Tr(daveStepName(step));
}

TResult WithCause(TResult result, const daveFailure& failure) {
  result.Cause = CauseLine(failure);
  result.Step = StepName(failure.step);
  return result;
}
