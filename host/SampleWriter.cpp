#include "host/SampleWriter.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "host/TextFile.h"

namespace e14::host {

namespace {

std::string Quote(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace

SampleWriter::SampleWriter(std::string path, Format format, std::vector<ChannelColumn> columns,
                           double rate)
    : path_(std::move(path)), temp_(path_ + ".part"), format_(format), columns_(std::move(columns)),
      rate_(rate) {
  if (ToStandardOutput()) {
    file_ = stdout;  // binary since the program's start
  } else {
    file_ = std::fopen(temp_.c_str(), "wb");
  }
  if (file_ == nullptr) throw std::runtime_error("cannot write " + path_ + ": " + std::strerror(errno));
  if (format_ == Format::Csv) {
    std::string header = "time_s";
    for (const ChannelColumn& c : columns_) header += "," + Quote(c.Name + " [V]");
    header += "\n";
    Check(std::fputs(header.c_str(), file_) >= 0);
  }
}

SampleWriter::~SampleWriter() {
  if (file_ != nullptr && !ToStandardOutput()) {
    std::fclose(file_);
    std::remove(temp_.c_str());
  }
}

void SampleWriter::Check(bool ok) {
  if (!ok) throw std::runtime_error("cannot write " + path_ + ": " + std::strerror(errno));
}

void SampleWriter::Write(const int16_t* frames, int32_t count) {
  const size_t width = columns_.size();
  if (format_ == Format::Raw) {
    // Samples are little-endian on every target we build for.
    Check(std::fwrite(frames, sizeof(int16_t) * width, count, file_) == static_cast<size_t>(count));
    frames_ += count;
    return;
  }
  char number[32];
  for (int32_t f = 0; f < count; ++f, ++frames_) {
    std::snprintf(number, sizeof number, "%.9g", static_cast<double>(frames_) / rate_);
    line_ = number;
    for (size_t c = 0; c < width; ++c) {
      const ChannelColumn& column = columns_[c];
      const double volts = column.Offset + frames[f * width + c] / static_cast<double>(column.Scale);
      std::snprintf(number, sizeof number, ",%.6g", volts);
      line_ += number;
    }
    line_ += '\n';
    Check(std::fwrite(line_.data(), 1, line_.size(), file_) == line_.size());
  }
}

void SampleWriter::Finish() {
  if (ToStandardOutput()) {
    Check(std::fflush(file_) == 0);
    file_ = nullptr;
    return;
  }
  const bool flushed = std::fflush(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!flushed || !closed) {
    std::remove(temp_.c_str());
    throw std::runtime_error("cannot write " + path_);
  }
  if (format_ == Format::Raw) {
    nlohmann::json sidecar;
    sidecar["format"] = "int16le";
    sidecar["frames"] = frames_;
    sidecar["rate_hz"] = rate_;
    sidecar["layout"] = "frames of one sample per channel, channel fastest";
    for (const ChannelColumn& c : columns_)
      sidecar["channels"].push_back({{"channel", c.Logical},
                                     {"name", c.Name},
                                     {"range", c.Range},
                                     {"codes_per_volt", c.Scale},
                                     {"offset_volts", c.Offset}});
    WriteTextFile(path_ + ".json", sidecar.dump(2) + "\n");
  }
  std::filesystem::rename(temp_, path_);
}

}  // namespace e14::host
