// A plot of a recording as an SVG file: one trace per channel, volts over
// seconds. Frames are folded into at most a few thousand min/max buckets as
// they arrive, so the memory used does not grow with the recording.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/SampleWriter.h"

namespace e14::host {

class SvgPlot {
 public:
  SvgPlot(std::vector<ChannelColumn> columns, double rate);
  void Add(const int16_t* frames, int32_t count);
  // Throws std::runtime_error when the file cannot be written.
  void Save(const std::string& path) const;

 private:
  struct Bucket {
    float Min, Max;
  };
  void Fold();
  std::vector<ChannelColumn> columns_;
  double rate_;
  int64_t framesPerBucket_ = 1;
  int64_t frames_ = 0;
  std::vector<std::vector<Bucket>> buckets_;  // per channel
};

}  // namespace e14::host
