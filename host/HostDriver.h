// What the e140 tool needs from the driver. On Linux the driver's portable
// core answers directly; on Windows the installed COM server does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "driver/StreamCounters.h"

namespace e14::host {

struct ModuleSummary {
  int Slot = 0;
  std::string Serial;
  std::string Revision;
  int FirmwareMajor = 0;
  int FirmwareMinor = 0;
  bool HasDac = false;
  std::string Library;
};

class HostDriver {
 public:
  virtual ~HostDriver() = default;

  virtual std::vector<ModuleSummary> ListModules() = 0;
  virtual bool Open() = 0;  // false: LastError() says why
  virtual std::string LastError() = 0;
  virtual std::string Name() = 0;
  virtual std::string BoardInfo() = 0;
  virtual std::vector<std::string> Ranges() = 0;
  virtual std::string ChannelName(int16_t index) = 0;
  virtual float RateMax() = 0;

  virtual void SetChannels(const std::vector<int16_t>& table) = 0;
  virtual std::vector<int16_t> Channels() = 0;
  virtual void SetRange(int16_t channel, int16_t range) = 0;
  virtual float Scale(int16_t channel) = 0;
  virtual float Offset(int16_t channel) = 0;
  virtual void SetRate(float rate) = 0;
  virtual float Rate() = 0;
  virtual void SetBufferSize(int32_t samples) = 0;
  virtual int32_t BufferFrames() = 0;

  virtual bool Start() = 0;
  virtual void Stop() = 0;
  virtual bool Busy() = 0;
  // Whole frames into data (capacity in samples); returns frames taken.
  virtual int32_t Take(int16_t* data, int32_t capacity, int32_t& unreadSamples) = 0;
  virtual StreamCounterValues RecordingCounters() = 0;
  // Lets the driver's host-thread work run (the slow mode's timer).
  virtual void Pump() = 0;

  virtual int16_t DacChannels() = 0;
  virtual double DacScale() = 0;  // codes per volt
  virtual void DacCode(int16_t channel, int32_t code) = 0;
  virtual void DacVolts(int16_t channel, double volts) = 0;
  virtual int32_t DacCodeOf(int16_t channel) = 0;
  virtual double DacVoltsOf(int16_t channel) = 0;
  // Generated waveform on both channels; false when the module cannot replay.
  virtual bool DacWaveform(int16_t channel, int16_t type, int16_t amplitude, int16_t baseline,
                           float frequency, float phase) = 0;
  virtual void DacStop() = 0;

  virtual int32_t DigitalInputs() = 0;
  virtual void DigitalOutputs(int32_t word) = 0;
  virtual int32_t LastDigitalOutputs() = 0;
  virtual void StartWord(bool enabled, int32_t word) = 0;
  virtual void StopWord(bool enabled, int32_t word) = 0;

  // The key of the driver's settings under HKEY_CURRENT_USER; empty when the
  // driver does not say.
  virtual std::string SettingsKey() = 0;
};

std::unique_ptr<HostDriver> CreateHostDriver();

}  // namespace e14::host
