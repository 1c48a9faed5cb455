// dac and dio: the module's outputs and digital inputs.
#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <stdexcept>

#include "driver/DriverState.h"
#include "host/Arguments.h"
#include "host/Commands.h"

namespace e14::host {

namespace {

const std::map<std::string, int16_t> kWaveTypes{{"off", kDacOff},     {"dc", kDacDc},     {"noise", kDacNoise},
                                                {"sine", kDacSine},   {"pulse", kDacPulse}, {"ramp", kDacRamp},
                                                {"triangle", kDacTriangle}};

std::string Hex(int32_t word) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(word) & 0xFFFFu);
  return text;
}

// Volts to the nearest DAC code: amplitudes and baselines are given in volts.
int16_t VoltsToCodes(double volts, double codesPerVolt) {
  const double codes = volts * codesPerVolt;
  if (codes > 32767 || codes < -32767) throw std::invalid_argument("level out of the DAC's range");
  return static_cast<int16_t>(codes >= 0 ? codes + 0.5 : codes - 0.5);
}

}  // namespace

int DacCommand(HostDriver& driver, const DacOptions& o) {
  if (!OpenModule(driver)) return 1;
  const int16_t channels = driver.DacChannels();
  if (channels == 0) return Fail(1, "this module has no DAC");
  if (o.Channel < 0 || o.Channel >= channels)
    return Fail(2, "DAC channel must be 0.." + std::to_string(channels - 1));
  const auto channel = static_cast<int16_t>(o.Channel);
  try {
    if (o.Action == "set") {
      if (o.Volts.has_value() == o.Code.has_value()) return Fail(2, "give either --volts or --code");
      const std::string name = "DAC" + std::to_string(channel + 1);
      if (o.Volts) {
        const double volts = ParseNumber(*o.Volts, "level");
        driver.DacVolts(channel, volts);
        // More than a code away from what was asked: the module's range limited it.
        if (std::fabs(driver.DacVoltsOf(channel) - volts) * driver.DacScale() > 1.0)
          std::cerr << "e140: asked " << *o.Volts << " V, " << name << " is limited to " << driver.DacVoltsOf(channel)
                    << " V\n";
      } else {
        const auto code = static_cast<int32_t>(ParseNumber(*o.Code, "code"));
        driver.DacCode(channel, code);
        if (driver.DacCodeOf(channel) != code)
          std::cerr << "e140: asked code " << *o.Code << ", " << name << " is limited to code "
                    << driver.DacCodeOf(channel) << "\n";
      }
    } else if (o.Action == "wave") {
      const auto type = kWaveTypes.find(o.Type);
      if (type == kWaveTypes.end()) return Fail(2, "unknown waveform '" + o.Type + "'");
      const double codesPerVolt = driver.DacScale();
      const int16_t amplitude = VoltsToCodes(ParseNumber(o.Amplitude, "amplitude"), codesPerVolt);
      const int16_t baseline = VoltsToCodes(ParseNumber(o.Baseline, "baseline"), codesPerVolt);
      const double phase = ParseNumber(o.Phase, "phase");
      if (phase < 0 || phase >= 1) return Fail(2, "phase is a fraction of a period, 0 <= phase < 1");
      const double frequency = ParsePositive(o.Frequency, "frequency");
      if (!driver.DacWaveform(channel, type->second, amplitude, baseline, static_cast<float>(frequency),
                              static_cast<float>(phase)))
        return Fail(1, "the module cannot replay a waveform");
    } else if (o.Action == "stop") {
      driver.DacStop();
    }
  } catch (const std::invalid_argument& error) {
    return Fail(2, error.what());
  }
  for (int16_t c = 0; c < channels; ++c)
    std::cout << "DAC" << c + 1 << ": code " << driver.DacCodeOf(c) << ", " << driver.DacVoltsOf(c) << " V\n";
  return 0;
}

int DioCommand(HostDriver& driver, const DioOptions& o) {
  if (!OpenModule(driver)) return 1;
  try {
    if (o.Action == "write") {
      driver.DigitalOutputs(ParseWord(o.Word));
    } else if (o.Action == "start" || o.Action == "stop") {
      const bool enabled = o.Word != "off";
      const int32_t word = enabled ? ParseWord(o.Word) : 0;
      const auto apply = o.Action == "start" ? &HostDriver::StartWord : &HostDriver::StopWord;
      (driver.*apply)(enabled, word);
    }
  } catch (const std::invalid_argument& error) {
    return Fail(2, error.what());
  }
  std::cout << "inputs  " << Hex(driver.DigitalInputs()) << "\noutputs " << Hex(driver.LastDigitalOutputs())
            << "\n";
  return 0;
}

}  // namespace e14::host
