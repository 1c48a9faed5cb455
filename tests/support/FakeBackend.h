// A back-end that records what the dispatcher asks of it, for driver tests
// that need no simulated module.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "driver/Backend.h"
#include "driver/mE14_x40.h"

namespace e14::testing {

struct FakeModule {
  bool present = true;      // OpenBackend succeeds
  bool startSucceeds = true;
  bool hasDac = false;
  std::string serial = "FAKE0001";
  int opens = 0, closes = 0, starts = 0, stops = 0, tableLoads = 0;
  std::vector<int32_t> ttlWrites;
};

class FakeBackend : public Backend {
 public:
  explicit FakeBackend(std::shared_ptr<FakeModule> module) : m_(std::move(module)) {}

  int16_t OpenBackend() override {
    ++m_->opens;
    if (!m_->present) {
      State().AdcLastError = "no module";
      return 0;
    }
    DriverState& s = State();
    s.DeviceInfo.SerialNumber = m_->serial;
    s.DeviceInfo.ClockHz = 16000000;
    s.DioState.Detected = true;
    s.DioState.DIBits = s.DioState.DOBits = 16;
    s.HasDac = m_->hasDac;
    if (m_->hasDac) {
      DacInfoRecord& dac = s.DacInfo;
      dac.Resolution = 12;
      dac.ChannelMax = 2048;
      dac.ChannelMin = -2048;
      dac.ChannelMaxReal = 5.0;
      dac.ChannelMinReal = -5.0;
      dac.RangesCount = 1;
      dac.Ranges = {"\u00B15 V"};
      dac.UnitScale = 409.6f;
      dac.ChannelsCount = 2;
    }
    return 0x1234;
  }
  void CloseBackend() override { ++m_->closes; }
  std::vector<SurveyedModule> Survey() override { return {}; }
  bool StartStream() override {
    ++m_->starts;
    State().Busy = m_->startSucceeds;
    if (!m_->startSucceeds) State().AdcLastError = "start refused";
    return m_->startSucceeds;
  }
  void StopStream() override {
    ++m_->stops;
    State().Busy = false;
  }
  void ReleaseEndedStream() override {}
  // The samples the driver zeroed stay 0.
  bool ReadSample(int16_t, int16_t&) override { return true; }
  int16_t ReadFrame(std::vector<int16_t>& frame) override { return static_cast<int16_t>(frame.size()); }
  void FillChannelTable() override { ++m_->tableLoads; }
  float ComputeTiming() override { return State().AdcInput.Rate; }
  void WriteDacValue(int16_t channel, int16_t code) override { State().DacInfo.Channels[channel].Value = code; }
  void StopDacOutput() override {}
  void StartDacOutput() override {}
  int32_t ReadTtlInputs() override { return State().DioState.DIValue = 0x5A5A; }
  void WriteTtlOutputs(int32_t value) override {
    State().DioState.DOValue = value;
    m_->ttlWrites.push_back(value);
  }

 private:
  std::shared_ptr<FakeModule> m_;
};

// Installs fakes for both back-ends: back-end 1 sees `first`, 2 sees `second`.
inline void InstallFakes(std::shared_ptr<FakeModule> first, std::shared_ptr<FakeModule> second) {
  InstallBackendFactory([first, second](int16_t which) -> std::unique_ptr<Backend> {
    return std::make_unique<FakeBackend>(which == 1 ? first : second);
  });
}

}  // namespace e14::testing
