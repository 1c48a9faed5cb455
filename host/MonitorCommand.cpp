// monitor: a live panel of the module for a person wiring it up: the inputs
// with their statistics over the last second, the TTL port and the DAC
// levels, redrawn a few times a second, with keys to change them.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/Arguments.h"
#include "host/Commands.h"
#include "host/Console.h"
#include "host/Terminal.h"

namespace e14::host {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kRedraw = std::chrono::milliseconds(200);
constexpr double kDacStepVolts = 0.5;
constexpr double kFullScaleCodes = 8192.0;  // 14-bit samples
constexpr int kBarWidth = 21;

// One input row: the samples of the last second, in volts.
struct Row {
  int16_t channel = 0;
  int16_t range = 0;
  std::deque<float> window;
  float last = 0.0f;
};

std::string Format(const char* pattern, double value) {
  char text[32];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

// Bits 15..0, in groups of four.
std::string Bits(int32_t word) {
  std::string bits;
  for (int bit = 15; bit >= 0; --bit) {
    bits += (word >> bit & 1) != 0 ? '1' : '0';
    if (bit % 4 == 0 && bit > 0) bits += ' ';
  }
  return bits;
}

// A bar from -full scale to +full scale with the value marked.
std::string Bar(double volts, double fullScale) {
  std::string bar(kBarWidth, '-');
  bar[kBarWidth / 2] = '|';
  const double where = std::clamp((volts / fullScale + 1.0) / 2.0, 0.0, 1.0);
  bar[static_cast<size_t>(std::lround(where * (kBarWidth - 1)))] = '#';
  return "[" + bar + "]";
}

class Panel {
 public:
  Panel(HostDriver& driver, const std::vector<int16_t>& channels, const std::vector<int16_t>& ranges, double rate)
      : driver_(driver), rate_(rate) {
    for (size_t i = 0; i < channels.size(); ++i) rows_.push_back({channels[i], ranges[i], {}, 0.0f});
  }

  // Programs the module for the rows and starts recording; false: LastError says why.
  bool Start() {
    std::vector<int16_t> table;
    for (const Row& row : rows_) {
      table.push_back(row.channel);
      driver_.SetRange(row.channel, row.range);
    }
    driver_.SetChannels(table);
    driver_.SetRate(static_cast<float>(rate_));
    buffer_.assign(static_cast<size_t>(std::max<int32_t>(driver_.BufferFrames(), 1)) * rows_.size(), 0);
    return driver_.Start();
  }

  void Stop() {
    driver_.Stop();
    const StreamCounterValues c = driver_.RecordingCounters();
    lostBefore_ += c.FramesDropped + c.FramesDiscarded;
  }

  // Takes every frame there is into the rows' windows.
  void Take() {
    const size_t width = rows_.size();
    const auto windowFrames = static_cast<size_t>(std::max(1.0f, driver_.Rate()));
    int32_t unread = 0;
    for (int32_t frames = 1; frames > 0;) {
      frames = driver_.Take(buffer_.data(), static_cast<int32_t>(buffer_.size()), unread);
      for (int32_t f = 0; f < frames; ++f)
        for (size_t c = 0; c < width; ++c) {
          Row& row = rows_[c];
          row.last = static_cast<float>(driver_.Offset(row.channel) + buffer_[f * width + c] / driver_.Scale(row.channel));
          row.window.push_back(row.last);
          if (row.window.size() > windowFrames) row.window.pop_front();
        }
    }
  }

  // Acts on a key; false when it ends the panel.
  bool Key(int key) {
    if (key == 'q' || key == 'Q') return false;
    if (key == kKeyUp) selected_ = (selected_ + rows_.size() - 1) % rows_.size();
    if (key == kKeyDown) selected_ = (selected_ + 1) % rows_.size();
    if (key == 'r') NextRange();
    const size_t bit = std::string_view("0123456789abcdef").find(static_cast<char>(key));
    if (key > 0 && key < 0x80 && bit != std::string_view::npos)
      driver_.DigitalOutputs(driver_.LastDigitalOutputs() ^ (1 << bit));
    if (key == '+' || key == '-') StepDac(0, key == '+' ? kDacStepVolts : -kDacStepVolts);
    if (key == ']' || key == '[') StepDac(1, key == ']' ? kDacStepVolts : -kDacStepVolts);
    return true;
  }

  std::string Screen() {
    const StreamCounterValues c = driver_.RecordingCounters();
    const auto ranges = driver_.Ranges();
    std::string s = "e140 monitor  " + Format("%.6g", driver_.Rate()) + " Hz  frames lost " +
                    std::to_string(lostBefore_ + c.FramesDropped + c.FramesDiscarded) + "\n";
    s += "keys: q quit  up/down row  r range  0-9 a-f output bit  + - DAC1  ] [ DAC2\n\n";
    s += "   input    range         last       min       max      mean       RMS\n";
    for (size_t i = 0; i < rows_.size(); ++i) {
      const Row& row = rows_[i];
      double low = 0, high = 0, sum = 0, squares = 0;
      if (!row.window.empty()) low = high = row.window.front();
      for (const float v : row.window) {
        low = std::min<double>(low, v);
        high = std::max<double>(high, v);
        sum += v;
        squares += static_cast<double>(v) * v;
      }
      const double n = std::max<double>(1.0, static_cast<double>(row.window.size()));
      char line[160];
      std::snprintf(line, sizeof line, "%s %-8s %-9s %9.4f %9.4f %9.4f %9.4f %9.4f  ", i == selected_ ? ">" : " ",
                    driver_.ChannelName(row.channel).c_str(), ranges.at(static_cast<size_t>(row.range)).c_str(),
                    static_cast<double>(row.last), low, high, sum / n, std::sqrt(squares / n));
      s += line + Bar(row.last, kFullScaleCodes / driver_.Scale(row.channel)) + "\n";
    }
    s += "\nTTL in   " + Bits(driver_.DigitalInputs()) + "\nTTL out  " + Bits(driver_.LastDigitalOutputs()) + "\n";
    for (int16_t d = 0; d < driver_.DacChannels(); ++d)
      s += "DAC" + std::to_string(d + 1) + " " + Format("%8.4f", driver_.DacVoltsOf(d)) + " V   ";
    return s + "\n";
  }

 private:
  void NextRange() {
    Row& row = rows_[selected_];
    row.range = static_cast<int16_t>((row.range + 1) % static_cast<int16_t>(driver_.Ranges().size()));
    row.window.clear();
    // The range is programmed at a start.
    Stop();
    if (!Start()) throw std::runtime_error("cannot start: " + driver_.LastError());
  }

  void StepDac(int16_t channel, double step) {
    if (channel < driver_.DacChannels()) driver_.DacVolts(channel, driver_.DacVoltsOf(channel) + step);
  }

  HostDriver& driver_;
  double rate_;
  std::vector<Row> rows_;
  std::vector<int16_t> buffer_;
  size_t selected_ = 0;
  int64_t lostBefore_ = 0;
};

}  // namespace

int MonitorCommand(HostDriver& driver, const MonitorOptions& options) {
  std::vector<int16_t> channels, ranges;
  double rate = 0;
  try {
    channels = ParseChannels(options.Channels);
    ranges = ParseRanges(options.Ranges, channels.size());
    rate = ParsePositive(options.Rate, "rate");
  } catch (const std::invalid_argument& error) {
    return Fail(2, error.what());
  }
  if (!OpenModule(driver)) return 1;
  Panel panel(driver, channels, ranges, rate);
  try {
    const InterruptWatch interrupt;
    Terminal terminal;
    if (!panel.Start()) throw std::runtime_error("cannot start: " + driver.LastError());
    auto drawn = Clock::now() - kRedraw;
    for (bool running = true; running && !interrupt.Interrupted();) {
      driver.Pump();
      panel.Take();
      if (Clock::now() - drawn >= kRedraw) {
        terminal.Draw(panel.Screen());
        drawn = Clock::now();
      }
      running = panel.Key(terminal.ReadKey(20));
    }
    panel.Stop();
  } catch (const std::exception& error) {
    driver.Stop();
    return Fail(1, error.what());
  }
  return 0;
}

}  // namespace e14::host
