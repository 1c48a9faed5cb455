// record: a recording to CSV or raw samples, with an optional plot.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <thread>

#include <nlohmann/json.hpp>

#include "host/Arguments.h"
#include "host/Commands.h"
#include "host/Console.h"
#include "host/SampleWriter.h"
#include "host/SvgPlot.h"

namespace e14::host {

namespace {

using Clock = std::chrono::steady_clock;

struct Plan {
  std::vector<int16_t> channels, ranges;
  double rate = 0;
  double seconds = 0;      // 0: until the frame count is reached
  int64_t frames = 0;      // 0: until the time is up
  int32_t bufferSamples = 0;
  SampleWriter::Format format = SampleWriter::Format::Csv;
};

Plan MakePlan(const RecordOptions& o) {
  Plan plan;
  plan.channels = ParseChannels(o.Channels);
  plan.ranges = ParseRanges(o.Ranges, plan.channels.size());
  plan.rate = ParsePositive(o.Rate, "rate");
  if (o.Duration) plan.seconds = ParsePositive(*o.Duration, "duration");
  if (o.Frames) {
    const double frames = ParsePositive(*o.Frames, "frame count");
    if (frames != static_cast<double>(static_cast<int64_t>(frames)) || frames > 1e12)
      throw std::invalid_argument("frame count must be a whole number");
    plan.frames = static_cast<int64_t>(frames);
  }
  if (plan.seconds == 0 && plan.frames == 0) plan.seconds = 2;
  if (o.BufferSamples) {
    const double samples = ParsePositive(*o.BufferSamples, "buffer size");
    if (samples < 1024 || samples > (1 << 26)) throw std::invalid_argument("buffer size must be 1024..67108864 samples");
    plan.bufferSamples = static_cast<int32_t>(samples);
  }
  if (o.Format == "raw") plan.format = SampleWriter::Format::Raw;
  else if (o.Format != "csv") throw std::invalid_argument("format must be csv or raw");
  return plan;
}

void ShowProgress(double elapsed, int64_t frames, double rate, int32_t unread, int32_t capacity,
                  int64_t lost) {
  std::fprintf(stderr, "\r%7.1f s  %10lld frames  %9.1f Hz  ring %3.0f%%  lost %lld   ", elapsed,
               static_cast<long long>(frames), rate, capacity > 0 ? 100.0 * unread / capacity : 0.0,
               static_cast<long long>(lost));
  std::fflush(stderr);
}

}  // namespace

int RecordCommand(HostDriver& driver, const RecordOptions& options) {
  Plan plan;
  try {
    plan = MakePlan(options);
  } catch (const std::invalid_argument& error) {
    return Fail(2, error.what());
  }
  if (!OpenModule(driver)) return 1;
  driver.SetChannels(plan.channels);
  for (size_t i = 0; i < plan.channels.size(); ++i) driver.SetRange(plan.channels[i], plan.ranges[i]);
  driver.SetRate(static_cast<float>(plan.rate));
  if (plan.bufferSamples > 0) driver.SetBufferSize(plan.bufferSamples);

  const auto ranges = driver.Ranges();
  std::vector<ChannelColumn> columns;
  for (size_t i = 0; i < plan.channels.size(); ++i) {
    const int16_t c = plan.channels[i];
    columns.push_back({c, driver.ChannelName(c), ranges.at(plan.ranges[i]), driver.Scale(c), driver.Offset(c)});
  }

  std::unique_ptr<SampleWriter> writer;
  std::unique_ptr<SvgPlot> plot;
  const size_t width = plan.channels.size();
  std::vector<int16_t> buffer;
  int64_t taken = 0;
  const bool tty = ErrorIsTerminal();
  const InterruptWatch interrupt;
  try {
    if (!driver.Start()) return Fail(1, "cannot start: " + driver.LastError());
    const double rate = driver.Rate();
    writer = std::make_unique<SampleWriter>(options.Output, plan.format, columns, rate);
    if (options.Plot) plot = std::make_unique<SvgPlot>(columns, rate);
    buffer.resize(static_cast<size_t>(std::max<int32_t>(driver.BufferFrames(), 1)) * width);

    const int64_t wanted = plan.frames > 0 ? plan.frames : static_cast<int64_t>(plan.seconds * rate + 0.5);
    const auto start = Clock::now();
    auto lastShown = start;
    // Takes what is there, never more than still wanted.
    auto take = [&] {
      const int64_t room = std::min<int64_t>(static_cast<int64_t>(buffer.size() / width), wanted - taken);
      int32_t unread = 0;
      const int32_t frames = room > 0 ? driver.Take(buffer.data(), static_cast<int32_t>(room * width), unread) : 0;
      writer->Write(buffer.data(), frames);
      if (plot) plot->Add(buffer.data(), frames);
      taken += frames;
      return std::pair{frames, unread};
    };
    while (taken < wanted && !interrupt.Interrupted() && driver.Busy()) {
      driver.Pump();
      const auto [frames, unread] = take();
      const auto now = Clock::now();
      if (tty && now - lastShown > std::chrono::milliseconds(200)) {
        const double elapsed = std::chrono::duration<double>(now - start).count();
        const StreamCounterValues c = driver.RecordingCounters();
        ShowProgress(elapsed, taken, static_cast<double>(taken) / std::max(elapsed, 1e-9), unread,
                     driver.BufferFrames() * static_cast<int32_t>(width), c.FramesDropped + c.FramesDiscarded);
        lastShown = now;
      }
      if (frames == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    driver.Stop();
    while (taken < wanted && take().first > 0) {
    }
    if (tty) std::fprintf(stderr, "\n");
    writer->Finish();
    if (plot) plot->Save(*options.Plot);
  } catch (const std::exception& error) {
    driver.Stop();
    return Fail(1, error.what());
  }

  const StreamCounterValues c = driver.RecordingCounters();
  const int64_t lost = c.FramesDropped + c.FramesDiscarded;
  const double rate = driver.Rate();
  if (options.Json) {
    std::cout << nlohmann::json{{"output", options.Output}, {"frames", taken},
                                {"channels", plan.channels}, {"rate_hz", rate},
                                {"seconds", static_cast<double>(taken) / rate}, {"frames_lost", lost},
                                {"read_timeouts", c.ReadTimeouts}, {"restarts", c.Restarts},
                                {"interrupted", interrupt.Interrupted()}}
                     .dump(2)
              << "\n";
  } else {
    std::cout << "recorded " << taken << " frames of " << width << " channel(s) at " << rate << " Hz ("
              << static_cast<double>(taken) / rate << " s) to " << options.Output << "\n"
              << "frames lost: " << lost << " (overflow " << c.FramesDropped << ", restarts "
              << c.Restarts << ")" << (interrupt.Interrupted() ? ", stopped by Ctrl-C" : "") << "\n";
    if (options.Plot) std::cout << "plot: " << *options.Plot << "\n";
  }
  return 0;
}

}  // namespace e14::host
