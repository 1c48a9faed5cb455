// The module's two DAC outputs: single codes, and a waveform replayed
// cyclically once streaming starts. Output volts undo the calibration the
// driver applies, so that a requested level comes out as requested.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "vendor/VendorAbi.h"

namespace e14::sim {

class DacModel {
 public:
  // Revision 'A' carries a 12-bit DAC, later revisions a 16-bit one.
  DacModel(char revision, std::array<double, 2> offset, std::array<double, 2> gain);

  // A code of the width the converter has, or of 12 bits on any revision
  // when it comes through the first library, which only knows 12-bit codes.
  void SetCode(int channel, int16_t code, bool twelveBitPath);
  int16_t Code(int channel) const { return codes_[static_cast<size_t>(channel)]; }

  // A new parameter block, like a start or a stop, announces a new waveform:
  // the next upload replaces the old one; uploads in between append.
  void SetBlock(const DacParamBlock& block);
  void Upload(const uint16_t* words, uint32_t count);
  const std::vector<uint16_t>& Waveform() const { return wave_; }
  bool Start(std::string& error);
  void Stop();
  bool Streaming() const { return streaming_; }

  // Output of a channel at a time of the module clock. The replay's phase is
  // counted from the ADC's start, so that recorded loopbacks repeat exactly.
  double Volts(int channel, double seconds) const;

 private:
  struct Width {
    double UnitScale;  // codes per volt
    int16_t Min, Max;
  };
  static constexpr Width k12Bit{409.6, -2048, 2047};
  static constexpr Width k16Bit{6553.4, -32768, 32767};

  double CodeVolts(int channel, int16_t code, const Width& width) const;

  Width native_;
  std::array<double, 2> offset_, gain_;
  std::array<int16_t, 2> codes_{0, 0};
  std::array<Width, 2> codeWidths_;
  DacParamBlock block_{};
  std::vector<uint16_t> wave_;
  bool replaceOnUpload_ = false;
  bool streaming_ = false;
};

}  // namespace e14::sim
