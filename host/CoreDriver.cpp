// The e140 tool's driver on Linux: the driver's portable core, linked in,
// with the two device back-ends and the terminal's device choice installed.
#include "backend/DeviceBackend.h"
#include "driver/DeviceChooser.h"
#include "driver/E14_140.h"
#include "host/HostDriver.h"
#include "platform/HostThread.h"
#include "tools/DriverTools.h"
#include "ui/posix/DevEnumTerminal.h"

namespace e14::host {

namespace {

class CoreDriver : public HostDriver {
 public:
  CoreDriver() {
    InstallDeviceBackends();
    InstallDeviceChooser(DeviceChoiceDialog(AskDeviceOnTerminal));
  }

  std::vector<ModuleSummary> ListModules() override {
    std::vector<ModuleSummary> modules;
    for (const ModuleRow& m : tools_.Modules())
      modules.push_back({m.Slot, m.Serial, m.Revision, m.FirmwareMajor, m.FirmwareMinor, m.HasDac, m.Library});
    return modules;
  }
  bool Open() override { return driver_.IADC3_Test(); }
  std::string LastError() override { return driver_.IADC3_LastError(); }
  std::string Name() override { return driver_.IADC3_ADCName(); }
  std::string BoardInfo() override { return tools_.BoardInfo(); }
  std::vector<std::string> Ranges() override { return driver_.IADC3_Ranges(); }
  std::string ChannelName(int16_t index) override { return driver_.IADC3_ChannelName(index); }
  float RateMax() override { return driver_.IADC3_RateMax(); }

  void SetChannels(const std::vector<int16_t>& table) override { driver_.IADC3_InputChannels(table); }
  std::vector<int16_t> Channels() override { return driver_.IADC3_InputChannels(); }
  void SetRange(int16_t channel, int16_t range) override { driver_.IADC3_ChannelRange(channel, range); }
  float Scale(int16_t channel) override { return driver_.IADC3_ChannelUnitScale(channel); }
  float Offset(int16_t channel) override { return driver_.IADC3_ChannelUnitOffset(channel); }
  void SetRate(float rate) override { driver_.IADC3_Rate(rate); }
  float Rate() override { return driver_.IADC3_Rate(); }
  void SetBufferSize(int32_t samples) override { driver_.IADC3_InputSizeData(samples); }
  int32_t BufferFrames() override { return driver_.IADC3_InputSizeKadrs(); }

  bool Start() override { return driver_.IADC3_StartRecord(); }
  void Stop() override { driver_.IADC3_StopRecord(); }
  bool Busy() override { return driver_.IADC3_Busy(); }
  int32_t Take(int16_t* data, int32_t capacity, int32_t& unreadSamples) override {
    return driver_.IADC3_GetData(data, capacity, unreadSamples);
  }
  StreamCounterValues RecordingCounters() override { return driver_.RecordingCounters(); }
  void Pump() override { platform::ProcessPendingMessages(); }

  int16_t DacChannels() override { return driver_.IDAO_ChannelsCount(); }
  double DacScale() override { return driver_.IDAO_ChannelUnitScale(0); }
  void DacCode(int16_t channel, int32_t code) override { driver_.IDAO_Value(channel, code); }
  void DacVolts(int16_t channel, double volts) override { driver_.IDAO_ValueReal(channel, volts); }
  int32_t DacCodeOf(int16_t channel) override { return driver_.IDAO_Value(channel); }
  double DacVoltsOf(int16_t channel) override { return driver_.IDAO_ValueReal(channel); }
  bool DacWaveform(int16_t channel, int16_t type, int16_t amplitude, int16_t baseline,
                   float frequency, float phase) override {
    return tools_.StartWave({channel, type, amplitude, baseline, frequency, phase});
  }
  void DacStop() override { tools_.StopWave(); }

  int32_t DigitalInputs() override { return driver_.IDIO_DIValue(); }
  void DigitalOutputs(int32_t word) override { driver_.IDIO_DOValue(word); }
  int32_t LastDigitalOutputs() override { return driver_.IDIO_DOValue(); }
  void StartWord(bool enabled, int32_t word) override {
    driver_.IDIO_DOStartEnabled(enabled);
    driver_.IDIO_DOStartValue(word);
  }
  void StopWord(bool enabled, int32_t word) override {
    driver_.IDIO_DOStopEnabled(enabled);
    driver_.IDIO_DOStopValue(word);
  }

  std::string SettingsKey() override { return tools_.SettingsKey(); }

 private:
  E14_140 driver_;
  DriverTools tools_;
};

}  // namespace

std::unique_ptr<HostDriver> CreateHostDriver() { return std::make_unique<CoreDriver>(); }

}  // namespace e14::host
