#include "sim/DacModel.h"

#include <algorithm>
#include <cmath>

namespace e14::sim {
namespace {

constexpr uint32_t kMaxWaveWords = 1u << 20;

}  // namespace

DacModel::DacModel(char revision, std::array<double, 2> offset, std::array<double, 2> gain)
    : native_(revision <= 'A' ? k12Bit : k16Bit), offset_(offset), gain_(gain), codeWidths_{native_, native_} {}

void DacModel::SetCode(int channel, int16_t code, bool twelveBitPath) {
  const auto c = static_cast<size_t>(channel);
  codeWidths_[c] = twelveBitPath ? k12Bit : native_;
  codes_[c] = std::clamp(code, codeWidths_[c].Min, codeWidths_[c].Max);
}

void DacModel::SetBlock(const DacParamBlock& block) {
  block_ = block;
  replaceOnUpload_ = true;
}

void DacModel::Upload(const uint16_t* words, uint32_t count) {
  if (replaceOnUpload_) wave_.clear();
  replaceOnUpload_ = false;
  const size_t room = kMaxWaveWords - std::min<size_t>(wave_.size(), kMaxWaveWords);
  wave_.insert(wave_.end(), words, words + std::min<size_t>(count, room));
}

bool DacModel::Start(std::string& error) {
  if (wave_.size() < 2) {
    error = "No DAC data to output";
    return false;
  }
  streaming_ = true;
  replaceOnUpload_ = true;
  return true;
}

void DacModel::Stop() {
  streaming_ = false;
  replaceOnUpload_ = true;
}

double DacModel::CodeVolts(int channel, int16_t code, const Width& width) const {
  const auto c = static_cast<size_t>(channel);
  return (std::clamp(code, width.Min, width.Max) / gain_[c] - offset_[c]) / width.UnitScale;
}

double DacModel::Volts(int channel, double seconds) const {
  const size_t uploaded = wave_.size() / 2;
  const size_t points = block_.Points > 0 && block_.Points <= uploaded ? block_.Points : uploaded;
  // An upload that emptied the waveform while streaming leaves the static level.
  if (!streaming_ || points == 0) return CodeVolts(channel, codes_[static_cast<size_t>(channel)], codeWidths_[static_cast<size_t>(channel)]);
  const double rateHz = 200000.0 / (block_.RateDivisor + 1);
  const auto point = static_cast<size_t>(std::floor(std::max(0.0, seconds) * rateHz + 1e-6)) % points;
  return CodeVolts(channel, static_cast<int16_t>(wave_[2 * point + static_cast<size_t>(channel)]), native_);
}

}  // namespace e14::sim
