#include "host/AxisTicks.h"

#include <cmath>

namespace e14::host {

std::vector<double> RoundTicks(double low, double high, int aim) {
  std::vector<double> ticks;
  if (!std::isfinite(low) || !std::isfinite(high) || !(high > low) || aim < 1) return ticks;
  const double rough = (high - low) / aim;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  const double fraction = rough / power;
  const double step = (fraction < 1.5 ? 1.0 : fraction < 3.5 ? 2.0 : fraction < 7.5 ? 5.0 : 10.0) * power;
  // Counted in steps from zero, so that a tick at zero is exactly zero (adding
  // 0.0 turns the -0 that ceil gives just below zero into 0).
  for (double n = std::ceil(low / step - 1e-9) + 0.0; n * step <= high + step * 1e-9; n += 1.0)
    ticks.push_back(n * step);
  return ticks;
}

}  // namespace e14::host
