// The ADC half of the simulated module: parameters, single samples and the
// paced sample stream behind the module handle.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "sim/DriverBlock.h"
#include "sim/Module.h"

namespace e14::sim {
namespace {

double SecondsOfTick(const AdcTiming& timing, uint64_t tick) {
  return static_cast<double>(tick) / timing.RateHz;
}

}  // namespace

bool Module::GetAdcParams(AdcParams& params, std::string& error) {
  std::lock_guard lock(lock_);
  if (!Connected(error)) return false;
  params = params_;
  return true;
}

bool Module::SetAdcParams(AdcParams& params, std::string& error) {
  std::lock_guard lock(lock_);
  if (!Connected(error)) return false;
  if (!config_.AdcParamsRefusal.empty()) {
    error = config_.AdcParamsRefusal;
    return false;
  }
  AdcParams programmed = params;
  if (!ProgramAdc(programmed, config_.ClockKHz, MaxAdcRateHz(config_.Revision), error)) return false;
  params_ = programmed;
  paramsWritten_ = true;
  params.AdcRateKHz = programmed.AdcRateKHz;
  params.InterKadrDelayMs = programmed.InterKadrDelayMs;
  params.KadrRateKHz = programmed.KadrRateKHz;
  return true;
}

bool Module::StartAdc(std::string& error) {
  std::lock_guard lock(lock_);
  if (!Connected(error)) return false;
  if (config_.StartAdcFails) {
    error = "The ADC did not start";
    return false;
  }
  // Parameters written while a run goes on apply from the next start.
  timing_ = TimingOf(params_);
  // The record is packed: its table may sit at an odd address.
  std::memcpy(table_.data(), reinterpret_cast<const uint8_t*>(&params_) + offsetof(AdcParams, ControlTable),
              sizeof params_.ControlTable);
  clock_.Start(SteadyNowNs(), speedUp_, unpaced_);
  delivered_ = 0;
  ++runNumber_;
  adcStarted_ = true;
  adcRunning_ = true;
  Notify();
  return true;
}

void Module::StopAdc() {
  std::lock_guard lock(lock_);
  HaltAdc();
}

void Module::HaltAdc() {
  if (!adcRunning_) return;
  adcRunning_ = false;
  ++runNumber_;
  clock_.Hold(SteadyNowNs(), true);
}

int16_t Module::Sample(uint32_t code, uint64_t frame, uint32_t position, double seconds,
                       uint64_t tick) const {
  const uint32_t input = code & 0x1F;
  const bool singleEnded = (code & 0x20) != 0;
  const auto range = static_cast<size_t>(code >> 6 & 3);
  const double offset = config_.AdcOffset[range];
  const double gain = config_.AdcGain[range];
  if (!singleEnded && input >= 16) return AdcCode(0.0, static_cast<int>(range), offset, gain);
  const int index = static_cast<int>(singleEnded ? input : 32 + input);
  const Signal& signal = config_.Inputs[static_cast<size_t>(index)];
  if (signal.Kind == SignalKind::Pattern) return PatternSample(frame, position);
  return AdcCode(SignalVolts(signal, seconds, tick, index, *this), static_cast<int>(range), offset, gain);
}

bool Module::AdcSample(uint32_t code, int16_t& sample, std::string& error) {
  std::lock_guard lock(lock_);
  if (!Connected(error)) return false;
  // Single conversions have no stream clock: they take the time since the
  // open, and the pattern counts them with the input number as position.
  const double seconds = static_cast<double>(SteadyNowNs() - openedNs_) * 1e-9 * speedUp_;
  sample = Sample(code, singleSamples_, code & 0x1F, seconds, singleSamples_);
  ++singleSamples_;
  return true;
}

bool Module::TakeSamples(uint32_t count, int64_t nowNs, std::vector<int16_t>& samples,
                         std::optional<int64_t>& wakeAtNs) {
  std::lock_guard lock(lock_);
  return TakeDue(count, nowNs, samples, wakeAtNs);
}

bool Module::TakeDriverBlock(int64_t nowNs, std::vector<int16_t>& samples, std::optional<int64_t>& wakeAtNs,
                             uint64_t& run) {
  std::lock_guard lock(lock_);
  run = runNumber_;
  return TakeDue(DriverBlockSamples(timing_.Channels, timing_.FrameRateKHz), nowNs, samples, wakeAtNs);
}

uint64_t Module::RunNumber() const {
  std::lock_guard lock(lock_);
  return runNumber_;
}

bool Module::TakeDue(uint32_t count, int64_t nowNs, std::vector<int16_t>& samples,
                     std::optional<int64_t>& wakeAtNs) {
  wakeAtNs.reset();
  samples.clear();
  if (count == 0) return true;
  if (!plugged_ || !adcRunning_) return false;
  const uint64_t last = delivered_ + count - 1;
  if (const auto seconds = clock_.SecondsAt(nowNs); seconds && SamplesDue(timing_, *seconds) <= last) {
    wakeAtNs = clock_.SteadyNsAt(SecondsOfTick(timing_, SampleTick(timing_, last)));
    return false;
  }
  samples.resize(count);
  const uint32_t channels = timing_.Channels;
  uint64_t frame = delivered_ / channels;
  auto position = static_cast<uint32_t>(delivered_ % channels);
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t tick = frame * timing_.FrameTicks + position;
    samples[i] = Sample(table_[position], frame, position, SecondsOfTick(timing_, tick), tick);
    if (++position == channels) {
      position = 0;
      ++frame;
    }
  }
  delivered_ += count;
  return true;
}

uint64_t Module::FramesProduced(int64_t nowNs) const {
  std::lock_guard lock(lock_);
  if (!adcStarted_) return 0;
  uint64_t samples = delivered_;
  if (const auto seconds = clock_.SecondsAt(nowNs))
    samples = std::max(samples, SamplesDue(timing_, *seconds));
  return samples / timing_.Channels;
}

int64_t Module::FrameTimeNs(uint64_t frame) const {
  std::lock_guard lock(lock_);
  if (!adcStarted_) return 0;
  const uint64_t tick = frame * timing_.FrameTicks + timing_.Channels - 1;
  return clock_.SteadyNsAt(SecondsOfTick(timing_, tick)).value_or(0);
}

void Module::SetPace(double speedUp, bool unpaced) {
  std::lock_guard lock(lock_);
  speedUp_ = speedUp;
  unpaced_ = unpaced;
  if (adcStarted_) {
    const double resume = SecondsOfTick(timing_, SampleTick(timing_, delivered_));
    clock_.SetPace(SteadyNowNs(), speedUp, unpaced, resume);
  }
  Notify();
}

}  // namespace e14::sim
