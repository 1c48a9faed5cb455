// record: a recording to CSV or raw samples, with an optional plot.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <ostream>
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

std::string RateText(double rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", rate);
  return text;
}

// Sets the module up as planned; the columns of the output, in table order.
std::vector<ChannelColumn> Configure(HostDriver& driver, const Plan& plan) {
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
  return columns;
}

struct Outcome {
  int64_t taken = 0;
  double rate = 0;
  bool interrupted = false;
};

// Records until the plan is done, Ctrl-C or the module stops, writing every
// frame taken; throws std::runtime_error when the output cannot be written.
Outcome Run(HostDriver& driver, const Plan& plan, const RecordOptions& options,
            const std::vector<ChannelColumn>& columns) {
  Outcome outcome;
  outcome.rate = driver.Rate();
  if (RateText(outcome.rate) != RateText(plan.rate))
    std::cerr << "e140: asked " << options.Rate << " Hz, the module runs " << RateText(outcome.rate) << " Hz\n";
  SampleWriter writer(options.Output, plan.format, columns, outcome.rate);
  std::unique_ptr<SvgPlot> plot;
  if (options.Plot) plot = std::make_unique<SvgPlot>(columns, outcome.rate);
  const size_t width = plan.channels.size();
  std::vector<int16_t> buffer(static_cast<size_t>(std::max<int32_t>(driver.BufferFrames(), 1)) * width);
  const int64_t wanted =
      plan.frames > 0 ? plan.frames : static_cast<int64_t>(plan.seconds * outcome.rate + 0.5);
  // Takes what is there, never more than still wanted.
  const auto take = [&] {
    const int64_t room = std::min<int64_t>(static_cast<int64_t>(buffer.size() / width), wanted - outcome.taken);
    int32_t unread = 0;
    const int32_t frames = room > 0 ? driver.Take(buffer.data(), static_cast<int32_t>(room * width), unread) : 0;
    writer.Write(buffer.data(), frames);
    if (plot) plot->Add(buffer.data(), frames);
    outcome.taken += frames;
    return std::pair{frames, unread};
  };

  const bool tty = ErrorIsTerminal();
  const InterruptWatch interrupt;
  const auto start = Clock::now();
  auto lastShown = start;
  while (outcome.taken < wanted && !interrupt.Interrupted() && driver.Busy()) {
    driver.Pump();
    const auto [frames, unread] = take();
    const auto now = Clock::now();
    if (tty && now - lastShown > std::chrono::milliseconds(200)) {
      const double elapsed = std::chrono::duration<double>(now - start).count();
      const StreamCounterValues c = driver.RecordingCounters();
      ShowProgress(elapsed, outcome.taken, static_cast<double>(outcome.taken) / std::max(elapsed, 1e-9), unread,
                   driver.BufferFrames() * static_cast<int32_t>(width), c.FramesDropped + c.FramesDiscarded);
      lastShown = now;
    }
    if (frames == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  driver.Stop();
  // What the stopped recording left unread, up to the plan.
  bool more = true;
  while (outcome.taken < wanted && more) more = take().first > 0;
  if (tty) std::fprintf(stderr, "\n");
  writer.Finish();
  if (plot) plot->Save(*options.Plot);
  outcome.interrupted = interrupt.Interrupted();
  return outcome;
}

void Report(std::ostream& out, const Outcome& outcome, const Plan& plan, const RecordOptions& options,
            const StreamCounterValues& c) {
  const int64_t lost = c.FramesDropped + c.FramesDiscarded;
  const double seconds = static_cast<double>(outcome.taken) / outcome.rate;
  const std::string output = options.Output == kStandardOutput ? "standard output" : options.Output;
  if (options.Json) {
    out << nlohmann::json{{"output", output}, {"frames", outcome.taken},
                          {"channels", plan.channels}, {"rate_hz", outcome.rate},
                          {"seconds", seconds}, {"frames_lost", lost},
                          {"read_timeouts", c.ReadTimeouts}, {"restarts", c.Restarts},
                          {"interrupted", outcome.interrupted}}
               .dump(2)
        << "\n";
    return;
  }
  out << "recorded " << outcome.taken << " frames of " << plan.channels.size() << " channel(s) at " << outcome.rate
      << " Hz (" << seconds << " s) to " << output << "\n"
      << "frames lost: " << lost << " (overflow " << c.FramesDropped << ", restarts " << c.Restarts << ")"
      << (outcome.interrupted ? ", stopped by Ctrl-C" : "") << "\n";
  if (options.Plot) out << "plot: " << *options.Plot << "\n";
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
  const std::vector<ChannelColumn> columns = Configure(driver, plan);
  if (!driver.Start()) return Fail(1, "cannot start: " + driver.LastError());
  Outcome outcome;
  try {
    outcome = Run(driver, plan, options, columns);
  } catch (const std::exception& error) {
    driver.Stop();
    return Fail(1, error.what());
  }
  // With the samples on standard output, the summary goes beside the progress.
  Report(options.Output == kStandardOutput ? std::cerr : std::cout, outcome, plan, options,
         driver.RecordingCounters());
  return 0;
}

}  // namespace e14::host
