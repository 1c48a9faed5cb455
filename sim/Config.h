// The simulated world as configured: libraries, modules, their inputs and
// faults. Parsed from JSON (format in README.md); missing keys keep defaults.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vendor/VendorAbi.h"

namespace e14::sim {

enum class Flavour { LUsbApi3 = 0, LUsbApiU = 1 };

enum class SignalKind { Pattern, Dc, Sine, Ramp, Noise, Dac, Ttl };

// One input signal, in volts. Each kind reads only its own fields.
struct Signal {
  SignalKind Kind = SignalKind::Pattern;
  double Value = 0;      // dc
  double Amplitude = 0;  // sine peak, noise half-width
  double Frequency = 0;  // sine, Hz
  double PhaseDeg = 0;   // sine
  double Offset = 0;     // sine, noise
  double From = 0, To = 0, PeriodS = 1;  // ramp: From to To once per period
  uint64_t Seed = 0;     // noise
  int Channel = 0;       // dac: which DAC output
  int Bit = 0;           // ttl: which output bit
  double High = 5.0;     // ttl: volts of a set bit
};

// Configurable inputs: X1..X16 (single-ended 0-15), Y1..Y16 (single-ended
// 16-31), XY1..XY16 (differential 0-15); differential 16-31 is the
// zero-calibration input, which always reads 0 V.
constexpr int kInputCount = 48;
// Index into ModuleConfig::Inputs for a name, -1 when unknown.
int InputIndex(std::string_view name);

struct ModuleConfig {
  int Slot = 0;
  std::string Serial = "SIM00001";
  char Revision = 'B';
  std::string Firmware = "3.12";  // descriptor text; memory 0x1080 gets its numbers
  double ClockKHz = 16000;
  std::array<double, 4> AdcOffset{0, 0, 0, 0};  // codes, per range
  std::array<double, 4> AdcGain{1, 1, 1, 1};
  bool HasDac = true;
  std::array<double, 2> DacOffset{0, 0};  // codes, per channel
  std::array<double, 2> DacGain{1, 1};
  bool SeenByLUsbApi3 = false;
  bool SeenByLUsbApiU = true;
  bool TtlLoopback = false;  // TTL inputs read the enabled outputs
  uint16_t TtlIn = 0;
  std::string OpenFailure;      // open fails with this text when set
  bool DescriptorFails = false;
  std::string AdcParamsRefusal; // writes of AdcParams fail with this text
  bool StartAdcFails = false;
  bool Unplugged = false;
  std::array<Signal, kInputCount> Inputs{};
};

struct LibraryConfig {
  bool Present = true;
  uint32_t Version = 0;
};

struct WorldConfig {
  std::array<LibraryConfig, 2> Libraries{{{true, 0x0003000C}, {true, 0x00030005}}};
  double SpeedUp = 1.0;
  bool Unpaced = false;
  std::vector<ModuleConfig> Modules{ModuleConfig{}};
};

// Null with a reason in `error` when the text is not a valid configuration.
std::optional<WorldConfig> ParseConfig(std::string_view json, std::string& error);
// Null for anything but "LUsbApi3" and "LUsbApiU".
std::optional<Flavour> FlavourNamed(std::string_view name);
// Major and minor number of a firmware text such as "3.12" (leading digits).
std::pair<uint8_t, uint8_t> FirmwareNumbers(const std::string& text);

}  // namespace e14::sim
