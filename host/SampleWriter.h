// Writes recorded frames to a file that appears under its final name only
// when complete: data goes to a temporary file beside it, renamed at Finish.
// A writer destroyed without Finish removes its temporary file. The path "-"
// is standard output, written as it comes (raw samples without a sidecar).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace e14::host {

constexpr const char* kStandardOutput = "-";

struct ChannelColumn {
  int16_t Logical = 0;
  std::string Name;
  std::string Range;
  float Scale = 1.0f;   // codes per volt
  float Offset = 0.0f;  // volts
};

class SampleWriter {
 public:
  enum class Format { Csv, Raw };
  // Throws std::runtime_error when the file cannot be created.
  SampleWriter(std::string path, Format format, std::vector<ChannelColumn> columns, double rate);
  ~SampleWriter();
  SampleWriter(const SampleWriter&) = delete;
  SampleWriter& operator=(const SampleWriter&) = delete;

  void Write(const int16_t* frames, int32_t count);
  // Flushes, writes the sidecar (raw), renames into place. Throws on failure.
  void Finish();
  int64_t Frames() const { return frames_; }

 private:
  void Check(bool ok);
  bool ToStandardOutput() const { return path_ == kStandardOutput; }
  std::string path_, temp_;
  Format format_;
  std::vector<ChannelColumn> columns_;
  double rate_;
  std::FILE* file_ = nullptr;
  int64_t frames_ = 0;
  std::string line_;
};

}  // namespace e14::host
