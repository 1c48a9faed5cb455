#include "driver/mE14_x40.h"

#include <exception>
#include <new>
#include <string>

#include "platform/ThreadExit.h"

namespace e14 {

namespace {

BackendFactory& Factory() {
  static BackendFactory factory;
  return factory;
}

Backend* Selected() {
  const DriverState& s = State();
  return s.Backend == 1 || s.Backend == 2 ? s.Backends[s.Backend - 1].get() : nullptr;
}

}  // namespace

DriverState& State() {
  // A plain pointer: a thread_local object's destructor is not safe on
  // Windows (platform/ThreadExit.h).
  thread_local DriverState* state = nullptr;
  if (state == nullptr) {
    state = new DriverState;
    platform::AtThreadExit(
        [](void* ended) {
          state = nullptr;
          delete static_cast<DriverState*>(ended);
        },
        state);
  }
  return *state;
}

void InstallBackendFactory(BackendFactory factory) { Factory() = std::move(factory); }

Backend* BackendAt(int16_t which) {
  if (which != 1 && which != 2) return nullptr;
  auto& slot = State().Backends[which - 1];
  if (!slot && Factory()) slot = Factory()(which);
  return slot.get();
}

int16_t SelectBackend() {
  DriverState& s = State();
  s.Detected = false;
  s.DeviceInfo.BoardName.clear();
  s.Backend = 0;
  int16_t token = 0;
  for (int16_t which = 1; which <= 2 && token == 0; ++which) {
    if (Backend* backend = BackendAt(which)) {
      token = backend->OpenBackend();
      if (token != 0) s.Backend = which;
    }
  }
  return token;
}

bool StartInput() {
  DriverState& s = State();
  s.AdcLastError.clear();
  AdcInputRecord& in = s.AdcInput;
  if (!(in.Rate > 0.0f)) {
    s.AdcLastError = "No Sampling Rate selected!";
    s.Busy = false;
    return false;
  }
  if (in.ChCount < 1 || in.ChTable.size() < static_cast<size_t>(in.ChCount)) {
    s.AdcLastError = "No one channel selected!";
    s.Busy = false;
    return false;
  }
  if (static_cast<float>(in.ChCount) * in.Rate > in.RateMax) in.Rate = in.RateMax / in.ChCount;
  try {
    ComputeBufferSize(true, 0);
    if (!ResetInputBuffer()) {
      s.Busy = false;
      return false;
    }
    Backend* backend = Selected();
    const bool started = backend != nullptr && backend->StartStream();
    if (started && s.DioState.DOStartEnabled) WriteDigitalOutputs(s.DioState.DOStartValue);
    return started;
  } catch (const std::bad_alloc&) {
    if (s.AdcLastError.empty()) s.AdcLastError = "Error 7: Out of memory";
  } catch (const std::exception& error) {
    if (s.AdcLastError.empty()) s.AdcLastError = std::string("Error 51: ") + error.what();
  }
  s.Busy = false;
  return false;
}

void StopInput() {
  if (Backend* backend = Selected()) backend->StopStream();
  const DioStateRecord& dio = State().DioState;
  if (dio.DOStopEnabled) WriteDigitalOutputs(dio.DOStopValue);
}

void ReleaseEndedInput() {
  if (Backend* backend = Selected()) backend->ReleaseEndedStream();
}

int16_t ReadChannel(int16_t index) {
  Backend* backend = Selected();
  int16_t sample = 0;
  if (backend == nullptr || index < 0 || index >= kLogicalChannels) return 0;
  return backend->ReadSample(index, sample) ? sample : 0;
}

int16_t ReadKadr(std::vector<int16_t>& frame) {
  Backend* backend = Selected();
  return backend != nullptr ? backend->ReadFrame(frame) : 0;
}

void RebuildChannelCodes() {
  DriverState& s = State();
  for (int n = 0; n < s.AdcInfo.ChannelsCount && n < kLogicalChannels; ++n) {
    const ChannelInput& map = s.DeviceInfo.ChannelMap[n];
    int k = map.Input % 32;
    std::string name;
    if (map.SingleEnded) {
      name = k < 16 ? "X" + std::to_string(k + 1) : "Y" + std::to_string(k % 16 + 1);
      k += 32;
    } else {
      name = k < 16 ? "XY" + std::to_string(k + 1) : "Calibration 0";
    }
    s.AdcInfo.ChannelNames[n] = name;
    s.DeviceInfo.ChannelCodes[n] = static_cast<int16_t>(64 * s.AdcInfo.ChannelRange[n] + k);
  }
  if (Backend* backend = Selected()) backend->FillChannelTable();
}

float ReadRate() {
  Backend* backend = Selected();
  // While recording, Rate is what the module was programmed with; working it
  // out again from itself could give a neighbouring divisor.
  if (backend == nullptr || State().Busy) return State().AdcInput.Rate;
  return backend->ComputeTiming();
}

void WriteDac(int16_t channel, int16_t code) {
  if (Backend* backend = Selected()) backend->WriteDacValue(channel, code);
}

void StopDacOutput() {
  if (Backend* backend = Selected()) backend->StopDacOutput();
}

void StartDacOutput() {
  if (Backend* backend = Selected()) backend->StartDacOutput();
}

int32_t ReadDigitalInputs() {
  Backend* backend = Selected();
  return backend != nullptr ? backend->ReadTtlInputs() : 0;
}

void WriteDigitalOutputs(int32_t value) {
  if (Backend* backend = Selected()) backend->WriteTtlOutputs(value);
}

int32_t LastDigitalOutputs() { return State().DioState.DOValue; }

void CloseBackends() {
  for (auto& backend : State().Backends)
    if (backend) backend->CloseBackend();
}

std::vector<SurveyedModule> SurveyModules() {
  std::vector<SurveyedModule> modules;
  for (int16_t which = 1; which <= 2; ++which)
    if (Backend* backend = BackendAt(which))
      for (SurveyedModule& module : backend->Survey()) modules.push_back(std::move(module));
  return modules;
}

int32_t ComputeBufferSize(bool roundToPowerOfTwo, int32_t size) {
  AdcInputRecord& in = State().AdcInput;
  return in.Ring.ComputeBufferSize(roundToPowerOfTwo, size, in.RequestedSize, in.ChCount);
}

bool ResetInputBuffer() {
  DriverState& s = State();
  return s.AdcInput.Ring.Reset(s.AdcInput.ChCount, s.AdcInput.ChTable, s.AdcLastError);
}

}  // namespace e14
