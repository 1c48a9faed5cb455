// Times a repeated step by the steady clock, for the benchmarks' figures.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

namespace e14::bench {

// Runs `step(index)` for about `span`, reading the clock every `batch` steps
// (more for steps so short that the clock itself would dominate); returns
// seconds per step.
template <typename Step>
double TimePerStep(Step step, std::chrono::milliseconds span, int batch = 1) {
  using Clock = std::chrono::steady_clock;
  int64_t steps = 0;
  const auto start = Clock::now();
  auto elapsed = Clock::duration::zero();
  do {
    for (int i = 0; i < batch; ++i) step(steps++);
    elapsed = Clock::now() - start;
  } while (elapsed < span);
  return std::chrono::duration<double>(elapsed).count() / static_cast<double>(steps);
}

// Times each of `steps` as TimePerStep does, taking turns for `rounds`
// rounds; returns each step's best seconds per step.
inline std::vector<double> BestTimePerStep(const std::vector<std::function<void(int64_t)>>& steps,
                                           std::chrono::milliseconds span, int rounds, int batch = 1) {
  std::vector<double> best(steps.size(), std::numeric_limits<double>::infinity());
  for (int round = 0; round < rounds; ++round)
    for (size_t i = 0; i < steps.size(); ++i) best[i] = std::min(best[i], TimePerStep(steps[i], span, batch));
  return best;
}

}  // namespace e14::bench
