// Times a repeated step by the steady clock, for the benchmarks' figures.
#pragma once

#include <chrono>
#include <cstdint>

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

}  // namespace e14::bench
